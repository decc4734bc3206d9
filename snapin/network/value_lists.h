// The home server list and the restricted zone list as the network pages hold
// them between the values read and the list boxes: singly linked lists of
// heap nodes (every block from AllocZeroed), built from the stored values and
// turned back into new values from the list-box entries.
#ifndef RAX_VALUE_LISTS_H
#define RAX_VALUE_LISTS_H

#include "core/attribute_formats.h"
#include "core/byte_cursor.h"
#include "core/heap.h"
#include "core/profile_items.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rax {

// ---- Lists -------------------------------------------------------------------

// A pointer to the first node; nodes keep the order in which they were
// appended and are released as a whole. Every node kind begins with `next`.
template <class Node> struct ValueList {
    Node *first = nullptr;
};

template <class Node> void AppendNode(ValueList<Node> &list, Node *node)
{
    node->next = nullptr;
    Node **link = &list.first;
    while (*link)
        link = &(*link)->next;
    *link = node;
}

template <class Node> void FreeValueList(ValueList<Node> &list)
{
    Node *node = list.first;
    while (node) {
        Node *next = node->next;
        FreeBlock(node);
        node = next;
    }
    list.first = nullptr;
}

template <class Node> std::size_t CountNodes(const ValueList<Node> &list)
{
    std::size_t count = 0;
    for (const Node *node = list.first; node; node = node->next)
        ++count;
    return count;
}

// ---- Node kinds ----------------------------------------------------------------

enum ServerNodeKind : uint8_t {
    ServerFromCache = 0,   // an entry of the server name cache (name only)
    ServerByAddress = 1,   // a home server chosen by address
    ServerByName = 2,      // a home server chosen by name
};

// A home server, or a name of the server name cache. The NUL-ended name lies
// directly behind the record (ServerNodeName); the node is sized to it.
struct ServerNode {
    ServerNode *next;
    uint8_t kind;
    uint8_t address[HomeServerAddressSize]; // network number 4, node address 6; zero unless by address
    uint8_t reserved;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(ServerNode, kind) == 4 && offsetof(ServerNode, address) == 5 &&
              offsetof(ServerNode, reserved) == 15 && sizeof(ServerNode) == 16);
#endif

inline char *ServerNodeName(ServerNode *node) { return reinterpret_cast<char *>(node) + sizeof(ServerNode); }
inline const char *ServerNodeName(const ServerNode *node)
{
    return reinterpret_cast<const char *>(node) + sizeof(ServerNode);
}

// A zeroed node of `kind` holding `address` (10 bytes, or none) and `name`;
// nullptr when memory ran out. The server name cache is built from these too.
ServerNode *NewServerNode(uint8_t kind, const uint8_t *address, std::string_view name);

// A restricted zone: a name of at most 33 characters in a 38-byte field.
inline constexpr std::size_t ZoneNodeNameSize = 38;
struct ZoneNode {
    ZoneNode *next;
    char zoneName[ZoneNodeNameSize];
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(ZoneNode, zoneName) == 4);
#endif

// ---- From stored values to lists ---------------------------------------------------

enum class TakeResult { Taken, NoMore, OutOfMemory };

// From the cursor's position in an item stream, the next item with `tag`
// (TagHomeServerAddress or TagHomeServerName) as a new node; the cursor then
// stands behind that item. An address item gives its first 10 data bytes
// (one with fewer is damaged and stepped over); a name item gives its data up
// to its first NUL, cut to HomeServerEntryMaxLength characters so that
// every name fits a list entry. On allocation failure the failure is
// reported (ReportOutOfMemory), the cursor stays before the item and
// OutOfMemory is returned.
TakeResult TakeNextProfileItem(ByteReader &cursor, uint16_t tag, ServerNode *&node);

// The home servers of an IPX profile's item stream (`bytes`, `length` bytes):
// every server chosen by address in stored order, then every server chosen by
// name in stored order. Returns false when a node could not be made: the
// failure was reported and the list holds what was built before it.
bool BuildHomeServerList(const uint8_t *bytes, std::size_t length, ValueList<ServerNode> &list);

// One zone node per slot of a zone array (34-byte slots), in order; each name
// is taken up to its NUL and at most 33 characters, so a slot without a NUL
// gives its first 33. Returns false when a node could not be made: reported,
// and the nodes built so far stay in the list.
bool BuildZoneList(const StringSlotArray *array, ValueList<ZoneNode> &list);

// The text shown for a home server: its name, or when the name is empty the
// address text "[network][node]". Cut to `capacity` with the NUL; returns the
// length written.
std::size_t HomeServerDisplayText(const ServerNode &node, char *buffer, std::size_t capacity);

// ---- From list-box entries to new values -------------------------------------------

// The texts of a list box, read by index (each view must stay valid until
// the next call).
struct ListEntries {
    std::size_t count;
    std::string_view (*text)(const void *context, std::size_t index);
    const void *context;
};

// Entries held in an array of views.
ListEntries ListEntriesOf(const std::string_view *texts, std::size_t count);

enum class BuildResult {
    Built,       // a new value: write it
    Empty,       // nothing to store: the save removes the attribute
    OutOfMemory, // reported; there is no new value, and the stored one must be kept
};

// The new "Dravon IPX Profile": the TagIpxAddress item when `addressAndMask`
// (6 address bytes, 6 mask bytes) is given, one TagHomeServerName item per
// name entry, then one TagHomeServerAddress item per address entry, each
// group in list-box order. An entry is an address entry only when it has the
// exact shape of ServerAddressText; every other non-empty entry is a name.
// On Built, `value` is an octet-string block (FreeBlock) holding every item.
BuildResult BuildIpxProfileValue(const uint8_t (*addressAndMask)[12], const ListEntries &entries,
                                 OctetString *&value);

// The block a profile value of `total` item bytes is written into: Built with
// a zeroed octet-string block in `value`, Empty when `total` is 0, or
// OutOfMemory (reported) with `value` left as it is.
BuildResult NewProfileValue(std::size_t total, OctetString *&value);

// A text item: `tag`, the length with the NUL, the text, its NUL.
void WriteProfileTextItem(ByteWriter &out, uint16_t tag, std::string_view text);

// The new zone array: one 34-byte slot per entry in list-box order (an entry
// is cut to 33 characters), the count and the first slot's address set. On
// Built, `array` is a block to release with FreeBlock.
BuildResult BuildZoneValue(const ListEntries &entries, StringSlotArray *&array);

} // namespace rax

#endif
