// Arbitrary bytes as a stored IPX profile: the home server list built from
// them keeps every name within a list entry, and writing the list back and
// reading it again gives the same servers.
#include "core/heap.h"
#include "network/field_limits.h"
#include "network/messages.h"
#include "network/text_conversions.h"
#include "network/value_lists.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace rax;

// No boxes while fuzzing (and no allocation fails here).
namespace rax {
void ShowErrorMessage(OwnerWindow, MessageId, MessageId) {}
void ReportOutOfMemory() {}
} // namespace rax

static void Check(bool condition)
{
    if (!condition)
        std::abort();
}

static std::vector<std::string> Texts(const ValueList<ServerNode> &list)
{
    std::vector<std::string> texts;
    for (const ServerNode *node = list.first; node; node = node->next) {
        Check(std::strlen(ServerNodeName(node)) <= HomeServerEntryMaxLength);
        char text[HomeServerEntryMaxLength + 1];
        std::size_t length = HomeServerDisplayText(*node, text, sizeof text);
        Check(length == std::strlen(text));
        // An address entry is shown in upper case however it was typed.
        uint8_t address[10];
        if (ParseServerAddressText(text, address))
            for (char &c : text)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        texts.emplace_back(text);
    }
    return texts;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> value(data, data + size);
    const uint8_t *bytes = value.empty() ? nullptr : value.data();
    long blocksBefore = OutstandingBlocks();

    // Taking items one at a time never moves past the value.
    if (size > 0) {
        ByteReader cursor(bytes, size);
        uint16_t tag = (bytes[0] & 1) ? TagHomeServerName : TagHomeServerAddress;
        ServerNode *node = nullptr;
        while (TakeNextProfileItem(cursor, tag, node) == TakeResult::Taken) {
            Check(cursor.Position() <= size);
            FreeBlock(node);
        }
    }

    ValueList<ServerNode> list;
    Check(BuildHomeServerList(bytes, size, list));
    std::vector<std::string> first = Texts(list);
    FreeValueList(list);

    std::vector<std::string_view> entries(first.begin(), first.end());
    OctetString *rebuilt = nullptr;
    BuildResult result = BuildIpxProfileValue(nullptr, ListEntriesOf(entries.data(), entries.size()), rebuilt);
    Check(result == (first.empty() ? BuildResult::Empty : BuildResult::Built));
    if (rebuilt) {
        ValueList<ServerNode> again;
        Check(BuildHomeServerList(rebuilt->bytes, rebuilt->length, again));
        std::vector<std::string> second = Texts(again);
        FreeValueList(again);
        std::sort(first.begin(), first.end());
        std::sort(second.begin(), second.end());
        Check(first == second);
        FreeBlock(rebuilt);
    }
    Check(OutstandingBlocks() == blocksBefore);
    return 0;
}
