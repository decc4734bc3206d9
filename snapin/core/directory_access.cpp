#include "core/directory_access.h"

#include "core/directory_access_handles.h"
#include "core/heap.h"

#include <dircli32.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace rax {

namespace {

constexpr int32_t ContextFlagsAdded = 0x47;
constexpr const char RootNameContext[] = "[Root]";
constexpr const char AllAttributesRights[] = "[All Attributes Rights]";
constexpr uint32_t NameBufferSize = 260;
constexpr uint32_t OctetStringRecordSize = sizeof(DirOctetString);

DirectoryContext g_schemaContext = 0;
bool g_schemaContextOpen = false;

// The context and both buffers of a read, set up for operation 3 with the
// attribute name put into the request. Released context first, then the
// reply buffer, then the request buffer.
struct ReadSession {
    ScopedBuffer request;
    ScopedBuffer reply;
    ScopedContext context;

    int32_t Begin(const char *attributeName)
    {
        int32_t result = context.Open();
        if (result == 0)
            result = reply.Allocate();
        if (result == 0)
            result = request.Allocate();
        if (result == 0)
            result = DirInitBuffer(context.Get(), DIR_OP_READ_OBJECT, request.Get());
        if (result == 0)
            result = DirPutAttrName(context.Get(), request.Get(), attributeName);
        return result;
    }

    // The next reply of the read and the number of attributes it holds.
    int32_t NextReply(const char *objectName, ScopedIteration &iteration, uint32_t *attributeCount)
    {
        int32_t result = DirReadObject(context.Get(), objectName, DIR_INFO_NAMES_AND_VALUES, 0, request.Get(),
                                       iteration.Handle(), reply.Get());
        if (result != 0)
            return result;
        return DirGetAttrCount(context.Get(), reply.Get(), attributeCount);
    }

    // The next attribute of the reply: how many values it has and their
    // syntax (the name is not wanted).
    int32_t NextAttribute(uint32_t *valueCount, uint32_t *syntaxId)
    {
        char name[NameBufferSize] = {};
        return DirGetAttrName(context.Get(), reply.Get(), name, valueCount, syntaxId);
    }
};

// Walks the replies of the read to the first attribute that has a value,
// leaving the reply at that value. ValueNotPresent when no reply has one.
int32_t SeekFirstValue(ReadSession &session, const char *objectName, ScopedIteration &iteration,
                       uint32_t *syntaxId)
{
    do {
        uint32_t attributeCount = 0;
        int32_t result = session.NextReply(objectName, iteration, &attributeCount);
        if (result != 0)
            return result;
        for (uint32_t i = 0; i < attributeCount; ++i) {
            uint32_t valueCount = 0;
            uint32_t syntax = 0;
            result = session.NextAttribute(&valueCount, &syntax);
            if (result != 0)
                return result;
            if (valueCount == 0)
                continue;
            *syntaxId = syntax;
            return 0;
        }
    } while (iteration.Unfinished());
    return ValueNotPresent;
}

// Reads the object's attribute up to its first value and hands that value to
// `take(context, reply, syntaxId)` while the read is still open; the rest of
// the read is not wanted.
template <class Take>
int32_t TakeFirstValue(const char *objectName, const char *attributeName, Take take)
{
    ReadSession session;
    int32_t result = session.Begin(attributeName);
    if (result != 0)
        return result;
    ScopedIteration iteration(session.context.Get(), DIR_OP_READ_OBJECT);
    uint32_t syntaxId = 0;
    result = SeekFirstValue(session, objectName, iteration, &syntaxId);
    if (result != 0)
        return result;
    return take(session.context.Get(), session.reply.Get(), syntaxId);
}

// A heap block from AllocZeroed, released on destruction.
class HeapBlock {
public:
    explicit HeapBlock(std::size_t size) : block_(AllocZeroed(size)) {}
    ~HeapBlock() { FreeBlock(block_); }
    HeapBlock(const HeapBlock &) = delete;
    HeapBlock &operator=(const HeapBlock &) = delete;
    uint8_t *Get() const { return static_cast<uint8_t *>(block_); }

private:
    void *block_;
};

// The bytes of an octet string fetched into a block of blockSize bytes: the
// record, then its bytes. False when the record claims more bytes than the
// block holds.
bool OctetStringBytes(const uint8_t *block, uint32_t blockSize, const uint8_t **bytes, uint32_t *length)
{
    if (blockSize < OctetStringRecordSize)
        return false;
    DirOctetString record;
    std::memcpy(&record, block, sizeof record);
    if (record.length > blockSize - OctetStringRecordSize)
        return false;
    *bytes = block + OctetStringRecordSize;
    *length = record.length;
    return true;
}

// Fetches the next value of the reply into the caller's area.
int32_t FetchValue(DirectoryContext context, DirBuffer reply, uint32_t syntaxId, void *destination,
                   uint32_t destinationSize, OctetStringForm form)
{
    uint32_t size = 0;
    int32_t result = DirComputeAttrValueSize(context, reply, syntaxId, &size);
    if (result != 0)
        return result;

    if (syntaxId == DIR_SYNTAX_OCTET_STRING && form == OctetStringForm::BytesOnly) {
        uint32_t blockSize = size < OctetStringRecordSize ? OctetStringRecordSize : size;
        HeapBlock block(blockSize);
        if (!block.Get())
            return OutOfMemoryCode;
        result = DirGetAttrValue(context, reply, syntaxId, block.Get());
        if (result != 0)
            return result;
        const uint8_t *bytes = nullptr;
        uint32_t length = 0;
        if (!OctetStringBytes(block.Get(), blockSize, &bytes, &length) || length > destinationSize)
            return OutOfMemoryCode;
        if (length != 0)
            std::memcpy(destination, bytes, length);
        return 0;
    }

    // Integers, texts, and octet strings with their record: straight into the
    // caller's area once the size is known to fit.
    if (size > destinationSize)
        return OutOfMemoryCode;
    if (syntaxId == DIR_SYNTAX_OCTET_STRING && size < OctetStringRecordSize)
        return OutOfMemoryCode;
    result = DirGetAttrValue(context, reply, syntaxId, destination);
    if (result != 0)
        return result;
    if (syntaxId == DIR_SYNTAX_OCTET_STRING) {
        // The bytes lie behind the record; make the address field say so, as
        // it does in every block the pages build.
        uint8_t *bytes = static_cast<uint8_t *>(destination) + OctetStringRecordSize;
        std::memcpy(static_cast<uint8_t *>(destination) + offsetof(DirOctetString, data), &bytes, sizeof bytes);
    }
    return 0;
}

// A value read for a list, kept until all replies are in: this header, then
// the value in the library's shape in size + 25 zeroed bytes.
struct ListNode {
    ListNode *next;
    uint32_t syntaxId;
    uint32_t size;      // bytes the library said the value occupies
};

uint8_t *NodeData(ListNode *node) { return reinterpret_cast<uint8_t *>(node + 1); }
const uint8_t *NodeData(const ListNode *node) { return reinterpret_cast<const uint8_t *>(node + 1); }

class ValueNodeList {
public:
    ValueNodeList() = default;
    ~ValueNodeList()
    {
        while (head_) {
            ListNode *next = head_->next;
            FreeBlock(head_);
            head_ = next;
        }
    }
    ValueNodeList(const ValueNodeList &) = delete;
    ValueNodeList &operator=(const ValueNodeList &) = delete;

    void Append(ListNode *node)
    {
        if (tail_)
            tail_->next = node;
        else
            head_ = node;
        tail_ = node;
        ++count_;
    }
    const ListNode *Head() const { return head_; }
    uint32_t Count() const { return count_; }

private:
    ListNode *head_ = nullptr;
    ListNode *tail_ = nullptr;
    uint32_t count_ = 0;
};

// Copies the text of one stored value into a slot, cut to slotSize - 1
// characters; the slot comes zeroed, so the text stays NUL-ended.
void CopyValueText(const ListNode &node, char *slot, uint32_t slotSize)
{
    const uint8_t *bytes = NodeData(&node);
    uint32_t available = node.size;
    if (node.syntaxId == DIR_SYNTAX_OCTET_STRING) {
        if (!OctetStringBytes(NodeData(&node), node.size, &bytes, &available))
            return;
    }
    std::size_t length = strnlen(reinterpret_cast<const char *>(bytes), available);
    if (length > slotSize - 1)
        length = slotSize - 1;
    std::memcpy(slot, bytes, length);
}

} // namespace

int32_t OpenDirectoryContext(DirectoryContext *context)
{
    DirContextHandle handle = DirCreateContext();
    if (handle < 0)
        return handle;
    int32_t result = DirSetContextInfo(handle, DIR_CTX_NAME_CONTEXT, RootNameContext);
    if (result == 0) {
        uint32_t flags = 0;
        result = DirGetContextInfo(handle, DIR_CTX_FLAGS, &flags);
        if (result == 0) {
            flags |= ContextFlagsAdded;
            result = DirSetContextInfo(handle, DIR_CTX_FLAGS, &flags);
        }
    }
    if (result != 0) {
        DirFreeContext(handle);
        return result;
    }
    *context = handle;
    return 0;
}

void CloseDirectoryContext(DirectoryContext context) { DirFreeContext(context); }

int32_t OpenSchemaContext()
{
    FreeSchemaContext();
    DirContextHandle handle = DirCreateContext();
    if (handle < 0)
        return SchemaNoContextOrBuffer;
    if (DirSetContextInfo(handle, DIR_CTX_NAME_CONTEXT, RootNameContext) != 0) {
        DirFreeContext(handle);
        return SchemaSetNameContext;
    }
    g_schemaContext = handle;
    g_schemaContextOpen = true;
    return 0;
}

DirectoryContext SchemaContext() { return g_schemaContext; }

void FreeSchemaContext()
{
    if (g_schemaContextOpen)
        DirFreeContext(g_schemaContext);
    g_schemaContextOpen = false;
    g_schemaContext = 0;
}

int32_t ReadValueSize(const char *objectName, const char *attributeName, uint32_t *size)
{
    // The size of the first value, from the first reply that has one.
    auto takeSize = [size](DirectoryContext context, DirBuffer reply, uint32_t syntaxId) -> int32_t {
        uint32_t valueSize = 0;
        int32_t result = DirComputeAttrValueSize(context, reply, syntaxId, &valueSize);
        if (result != 0)
            return result;
        *size = valueSize;
        return 0;
    };
    return TakeFirstValue(objectName, attributeName, takeSize);
}

int32_t ReadValue(const char *objectName, const char *attributeName, void *destination,
                  uint32_t destinationSize, OctetStringForm form)
{
    if (!destination)
        return OutOfMemoryCode;
    // Only the first value is fetched; a later reply of the same read would
    // only hold further values.
    auto fetch = [&](DirectoryContext context, DirBuffer reply, uint32_t syntaxId) {
        return FetchValue(context, reply, syntaxId, destination, destinationSize, form);
    };
    return TakeFirstValue(objectName, attributeName, fetch);
}

int32_t ReadValueList(const char *objectName, const char *attributeName, StringSlotArray **result,
                      uint32_t slotSize)
{
    if (!result)
        return OutOfMemoryCode;
    *result = nullptr;
    if (slotSize == 0)
        return OutOfMemoryCode;

    ValueNodeList values;   // released after the context and buffers
    ReadSession session;
    int32_t code = session.Begin(attributeName);
    if (code != 0)
        return code;
    {
        ScopedIteration iteration(session.context.Get(), DIR_OP_READ_OBJECT);
        do {
            uint32_t attributeCount = 0;
            code = session.NextReply(objectName, iteration, &attributeCount);
            if (code != 0)
                return code;
            if (attributeCount == 0)
                return NoAttributeInReply;
            uint32_t valueCount = 0;
            uint32_t syntaxId = 0;
            code = session.NextAttribute(&valueCount, &syntaxId);
            if (code != 0)
                return code;
            for (uint32_t v = 0; v < valueCount; ++v) {
                uint32_t size = 0;
                code = DirComputeAttrValueSize(session.context.Get(), session.reply.Get(), syntaxId, &size);
                if (code != 0)
                    return code;
                if (size > UINT32_MAX - 64)
                    return OutOfMemoryCode;
                auto *node = static_cast<ListNode *>(AllocZeroed(sizeof(ListNode) + size + 25));
                if (!node)
                    return OutOfMemoryCode;
                node->syntaxId = syntaxId;
                node->size = size;
                values.Append(node);
                code = DirGetAttrValue(session.context.Get(), session.reply.Get(), syntaxId, NodeData(node));
                if (code != 0)
                    return code;
            }
        } while (iteration.Unfinished());
    }

    if (values.Count() == 0)
        return 0;
    uint64_t arraySize = uint64_t(values.Count()) * slotSize + StringSlotArrayHeaderSize + 10;
    if (arraySize > UINT32_MAX)
        return OutOfMemoryCode;
    auto *array = static_cast<StringSlotArray *>(AllocZeroed(static_cast<std::size_t>(arraySize)));
    if (!array)
        return OutOfMemoryCode;
    array->count = values.Count();
    array->firstSlot = 0;
    uint32_t index = 0;
    for (const ListNode *node = values.Head(); node; node = node->next, ++index)
        CopyValueText(*node, StringSlot(array, index, slotSize), slotSize);
    *result = array;
    return 0;
}

int32_t WriteValue(const char *objectName, const char *attributeName, const void *oldValue,
                   const void *newValue, uint32_t syntaxId)
{
    ScopedBuffer request;
    ScopedContext context;
    int32_t result = context.Open();
    if (result == 0)
        result = request.Allocate();
    if (result == 0)
        result = DirInitBuffer(context.Get(), DIR_OP_MODIFY_OBJECT, request.Get());
    if (result != 0)
        return result;

    DirectoryContext ctx = context.Get();
    DirBuffer buffer = request.Get();
    if (!newValue) {
        result = DirPutChange(ctx, buffer, DIR_CHANGE_REMOVE_ATTRIBUTE, attributeName);
    } else {
        if (!oldValue) {
            result = DirPutChange(ctx, buffer, DIR_CHANGE_ADD_ATTRIBUTE, attributeName);
        } else {
            result = DirPutChange(ctx, buffer, DIR_CHANGE_REMOVE_VALUE, attributeName);
            if (result == 0)
                result = DirPutAttrValue(ctx, buffer, syntaxId, oldValue);
        }
        if (result == 0)
            result = DirPutChange(ctx, buffer, DIR_CHANGE_ADD_VALUE, attributeName);
        if (result == 0)
            result = DirPutAttrValue(ctx, buffer, syntaxId, newValue);
    }
    if (result != 0)
        return result;
    return DirModifyObject(ctx, objectName, nullptr, 0, buffer);
}

namespace {

// Room for a request that carries every slot of a list: the changes and names
// around each value, at least the usual buffer and at most what the library
// allocates. A list too long even for that fails to be put, and nothing is written.
uint32_t ListRequestSize(const char *attributeName, uint32_t count, uint32_t slotSize)
{
    const uint64_t perValue = uint64_t(slotSize) + 2 * strnlen(attributeName, 256) + 64;
    const uint64_t size = 512 + uint64_t(count) * perValue;
    return static_cast<uint32_t>(std::clamp<uint64_t>(size, DIR_BUFFER_SIZE, 65536));
}

// The request that replaces every value of the attribute: the removal of the
// attribute (unless there is nothing to remove), then the attribute again with
// each slot, text and NUL, as a value of its own.
int32_t PutListReplacement(DirectoryContext ctx, DirBuffer buffer, bool removeFirst, const char *attributeName,
                           const StringSlotArray *array, uint32_t count, uint32_t slotSize, uint32_t syntaxId)
{
    int32_t result = DirInitBuffer(ctx, DIR_OP_MODIFY_OBJECT, buffer);
    if (result == 0 && removeFirst)
        result = DirPutChange(ctx, buffer, DIR_CHANGE_REMOVE_ATTRIBUTE, attributeName);
    if (result == 0 && count > 0)
        result = DirPutChange(ctx, buffer, DIR_CHANGE_ADD_ATTRIBUTE, attributeName);
    for (uint32_t i = 0; result == 0 && i < count; ++i) {
        const char *slot = StringSlot(array, i, slotSize);
        std::size_t length = strnlen(slot, slotSize);
        DirOctetString value;
        // The text and its NUL; a slot without one is taken as it stands.
        value.length = static_cast<uint32_t>(length < slotSize ? length + 1 : length);
        value.data = reinterpret_cast<uint8_t *>(const_cast<char *>(slot));
        result = DirPutChange(ctx, buffer, DIR_CHANGE_ADD_VALUE, attributeName);
        if (result == 0)
            result = DirPutAttrValue(ctx, buffer, syntaxId, &value);
    }
    return result;
}

}  // namespace

// The whole list goes in one modify request, which the directory applies whole or
// not at all: a failure part of the way (a server that stops answering, a value
// refused) can never leave the stored list emptied or half-written.
int32_t WriteValueList(const char *objectName, const char *attributeName, const StringSlotArray *array,
                       uint32_t count, uint32_t slotSize, uint32_t syntaxId)
{
    if (!array || slotSize == 0)
        count = 0;
    else if (count > array->count)
        count = array->count;

    ScopedBuffer request;
    ScopedContext context;
    int32_t result = context.Open();
    if (result == 0)
        result = request.Allocate(ListRequestSize(attributeName, count, slotSize));
    if (result != 0)
        return result;
    DirectoryContext ctx = context.Get();
    DirBuffer buffer = request.Get();

    for (bool removeFirst : {true, false}) {
        ScopedIteration iteration(ctx, DIR_OP_MODIFY_OBJECT);
        result = PutListReplacement(ctx, buffer, removeFirst, attributeName, array, count, slotSize, syntaxId);
        if (result == 0)
            result = DirModifyObject(ctx, objectName, iteration.Handle(), 0, buffer);
        // An attribute the object does not hold has nothing to remove: the list is
        // then only added, and an empty one is already as asked.
        if (result != ValueNotPresent || !removeFirst)
            return result;
        if (count == 0)
            return 0;
    }
    return result;
}

int CanModifyObject(const char *objectName)
{
    ScopedContext context;
    if (context.Open() != 0)
        return 0;
    char identity[256] = {};
    if (DirWhoAmI(context.Get(), identity) != 0)
        return 0;
    identity[sizeof identity - 1] = '\0';
    uint32_t rights = 0;
    if (DirGetEffectiveRights(context.Get(), identity, objectName, AllAttributesRights, &rights) != 0)
        return 0;
    return (rights & (DIR_RIGHT_WRITE | DIR_RIGHT_SUPERVISOR)) != 0 ? 1 : 0;
}

} // namespace rax
