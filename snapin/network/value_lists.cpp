#include "network/value_lists.h"

#include "network/field_limits.h"
#include "network/messages.h"
#include "network/text_conversions.h"

#include <cstring>
#include <limits>

namespace rax {

namespace {

std::size_t LengthUpToNul(const char *text, std::size_t limit)
{
    std::size_t n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return n;
}

// Copies `text` into a zeroed area of `capacity` bytes, cut so the NUL fits.
void CopyCut(char *destination, std::size_t capacity, std::string_view text)
{
    std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(destination, text.data(), n);
    destination[n] = '\0';
}

} // namespace

ServerNode *NewServerNode(uint8_t kind, const uint8_t *address, std::string_view name)
{
    if (name.size() > std::numeric_limits<std::size_t>::max() - sizeof(ServerNode) - 1)
        return nullptr;
    auto *node = static_cast<ServerNode *>(AllocZeroed(sizeof(ServerNode) + name.size() + 1));
    if (!node)
        return nullptr;
    node->kind = kind;
    if (address)
        std::memcpy(node->address, address, HomeServerAddressSize);
    if (!name.empty())
        std::memcpy(ServerNodeName(node), name.data(), name.size());
    return node;
}

TakeResult TakeNextProfileItem(ByteReader &cursor, uint16_t tag, ServerNode *&node)
{
    node = nullptr;
    if (tag != TagHomeServerAddress && tag != TagHomeServerName)
        return TakeResult::NoMore;
    for (;;) {
        ByteReader scan = cursor;
        ProfileItem item{};
        if (!FindNextProfileItem(scan, tag, item))
            return TakeResult::NoMore;
        if (tag == TagHomeServerAddress) {
            // An address is exactly 10 bytes whatever the length says; an
            // item too short to hold them is damaged and passed over.
            if (item.length < HomeServerAddressSize) {
                cursor = scan;
                continue;
            }
            node = NewServerNode(ServerByAddress, item.data, {});
        } else {
            // The name ends at its NUL; a name longer than a list entry is
            // cut so that every list-box text and editor buffer holds it.
            const char *text = reinterpret_cast<const char *>(item.data);
            std::size_t n = LengthUpToNul(text, item.length);
            if (n > HomeServerEntryMaxLength)
                n = HomeServerEntryMaxLength;
            node = NewServerNode(ServerByName, nullptr, std::string_view(text, n));
        }
        if (!node) {
            ReportOutOfMemory();
            return TakeResult::OutOfMemory;
        }
        cursor = scan;
        return TakeResult::Taken;
    }
}

bool BuildHomeServerList(const uint8_t *bytes, std::size_t length, ValueList<ServerNode> &list)
{
    for (uint16_t tag : {TagHomeServerAddress, TagHomeServerName}) {
        ByteReader cursor(bytes, length);
        for (;;) {
            ServerNode *node = nullptr;
            TakeResult result = TakeNextProfileItem(cursor, tag, node);
            if (result == TakeResult::OutOfMemory)
                return false;
            if (result == TakeResult::NoMore)
                break;
            AppendNode(list, node);
        }
    }
    return true;
}

bool BuildZoneList(const StringSlotArray *array, ValueList<ZoneNode> &list)
{
    if (!array)
        return true;
    for (std::size_t i = 0; i < array->count; ++i) {
        auto *node = static_cast<ZoneNode *>(AllocZeroed(sizeof(ZoneNode)));
        if (!node) {
            ReportOutOfMemory();
            return false;
        }
        const char *slot = StringSlot(array, i, ZoneSlotSize);
        // Slots come zero-filled, but a stored name of more than 33
        // characters is cut to the 33 a zone name may have.
        std::memcpy(node->zoneName, slot, LengthUpToNul(slot, ZoneNameMaxLength));
        AppendNode(list, node);
    }
    return true;
}

std::size_t HomeServerDisplayText(const ServerNode &node, char *buffer, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    const char *name = ServerNodeName(&node);
    if (name[0] != '\0') {
        CopyCut(buffer, capacity, name);
        return std::strlen(buffer);
    }
    uint8_t network[4];
    uint8_t address[6];
    std::memcpy(network, node.address, 4);
    std::memcpy(address, node.address + 4, 6);
    char text[ServerAddressTextLength + 1];
    ServerAddressText(network, address, text);
    CopyCut(buffer, capacity, text);
    return std::strlen(buffer);
}

ListEntries ListEntriesOf(const std::string_view *texts, std::size_t count)
{
    return {count, [](const void *context, std::size_t index) { return static_cast<const std::string_view *>(context)[index]; },
            texts};
}

BuildResult BuildIpxProfileValue(const uint8_t (*addressAndMask)[12], const ListEntries &entries,
                                 OctetString *&value)
{
    value = nullptr;
    // Sizes first, so that one block holds every item however many there are.
    std::size_t total = addressAndMask ? ProfileItemHeaderSize + IpxAddressItemSize : 0;
    uint8_t address[HomeServerAddressSize];
    for (std::size_t i = 0; i < entries.count; ++i) {
        std::string_view text = entries.text(entries.context, i);
        if (ParseServerAddressText(text, address))
            total += ProfileItemHeaderSize + HomeServerAddressSize;
        else if (!text.empty())
            total += ProfileItemHeaderSize + text.size() + 1;
    }
    if (BuildResult result = NewProfileValue(total, value); result != BuildResult::Built)
        return result;
    ByteWriter out(value->bytes, total);
    if (addressAndMask)
        WriteProfileItem(out, TagIpxAddress, *addressAndMask, IpxAddressItemSize);
    // Names before addresses, each group in list-box order. The zero-filled
    // block supplies each name's NUL.
    for (std::size_t i = 0; i < entries.count; ++i) {
        std::string_view text = entries.text(entries.context, i);
        if (text.empty() || ParseServerAddressText(text, address))
            continue;
        WriteProfileTextItem(out, TagHomeServerName, text);
    }
    for (std::size_t i = 0; i < entries.count; ++i) {
        if (ParseServerAddressText(entries.text(entries.context, i), address))
            WriteProfileItem(out, TagHomeServerAddress, address, HomeServerAddressSize);
    }
    return BuildResult::Built;
}

BuildResult NewProfileValue(std::size_t total, OctetString *&value)
{
    if (total == 0)
        return BuildResult::Empty;
    OctetString *block = NewOctetStringBlock(total);
    if (!block) {
        ReportOutOfMemory();
        return BuildResult::OutOfMemory;
    }
    value = block;
    return BuildResult::Built;
}

void WriteProfileTextItem(ByteWriter &out, uint16_t tag, std::string_view text)
{
    out.WriteU16(tag);
    out.WriteU32(static_cast<uint32_t>(text.size() + 1));
    out.WriteBytes(text.data(), text.size());
    out.WriteU8(0);
}

BuildResult BuildZoneValue(const ListEntries &entries, StringSlotArray *&array)
{
    array = nullptr;
    if (entries.count == 0)
        return BuildResult::Empty;
    array = NewStringSlotArray(entries.count, ZoneSlotSize, true);
    if (!array) {
        ReportOutOfMemory();
        return BuildResult::OutOfMemory;
    }
    for (std::size_t i = 0; i < entries.count; ++i)
        CopyCut(StringSlot(array, i, ZoneSlotSize), ZoneSlotSize, entries.text(entries.context, i));
    return BuildResult::Built;
}

} // namespace rax
