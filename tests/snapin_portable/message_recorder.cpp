#include "message_recorder.h"

#include <vector>

namespace rax {

namespace {
std::vector<testing::RecordedMessage> &Recorded()
{
    static std::vector<testing::RecordedMessage> calls;
    return calls;
}
} // namespace

void ShowErrorMessage(OwnerWindow owner, MessageId message, MessageId caption)
{
    Recorded().push_back({owner, message, caption, false});
}

void ReportOutOfMemory()
{
    Recorded().push_back({NoOwnerWindow, MsgMemoryAllocationFailure, CaptionSnapin, true});
}

void ShowErrorCode(MessageId message, MessageId caption, long)
{
    Recorded().push_back({NoOwnerWindow, message, caption, false});
}

namespace testing {

std::size_t RecordedMessageCount() { return Recorded().size(); }
const RecordedMessage &RecordedMessageAt(std::size_t index) { return Recorded().at(index); }

std::size_t OutOfMemoryReports()
{
    std::size_t count = 0;
    for (const RecordedMessage &call : Recorded())
        count += call.outOfMemory ? 1 : 0;
    return count;
}

void ClearRecordedMessages() { Recorded().clear(); }

} // namespace testing
} // namespace rax
