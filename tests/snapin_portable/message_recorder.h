// A stand-in for the snap-in's message boxes in programs without windows:
// every ShowErrorMessage and ReportOutOfMemory call is recorded instead of
// shown. Link rax_message_recorder instead of the library's message boxes.
#ifndef RAX_MESSAGE_RECORDER_H
#define RAX_MESSAGE_RECORDER_H

#include "network/messages.h"

#include <cstddef>

namespace rax::testing {

struct RecordedMessage {
    OwnerWindow owner;
    MessageId message;
    MessageId caption;
    bool outOfMemory; // recorded by ReportOutOfMemory
};

// Calls recorded since the last ClearRecordedMessages, oldest first.
std::size_t RecordedMessageCount();
const RecordedMessage &RecordedMessageAt(std::size_t index);
std::size_t OutOfMemoryReports();
void ClearRecordedMessages();

} // namespace rax::testing

#endif
