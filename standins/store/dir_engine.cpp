#include "dir_engine.h"

#include <algorithm>
#include <iterator>
#include <cstring>

#include "dir_wire.h"
#include "store_text.h"

namespace dirstore {

// A library buffer. Its bytes never exceed `capacity`; what they mean depends on
// `use` and `operation` (see the encodings below).
struct Buffer {
    enum class Use { None, Request, ObjectReply, ClassReply };
    uint32_t capacity = 0;
    Use use = Use::None;
    int32_t operation = 0;
    bool namesOnly = false;
    std::vector<uint8_t> bytes;
    // Reading a reply.
    size_t cursor = 0;
    bool counted = false;
    uint32_t itemsLeft = 0;    // attributes or class definitions not yet taken
    uint32_t valuesLeft = 0;   // values of the current attribute
    uint32_t syntax = 0;       // syntax of the current attribute
    uint32_t listsLeft = 0;    // name lists of the current class definition
    uint32_t namesLeft = 0;    // names of the current list
};

// A read that goes on over several replies.
struct Iteration {
    int32_t ctx = 0;
    int32_t operation = 0;     // DIR_OP_READ_OBJECT or DIR_OP_READ_CLASS_DEF
    bool namesOnly = false;
    std::vector<Attribute> attributes;
    std::vector<ClassDef> classes;
    size_t item = 0;           // next attribute or class
    size_t value = 0;          // next value of that attribute
};

/*
 * Encodings.
 * Request for read object / modify class definition / read class definition:
 *   a sequence of names.
 * Request for modify object: a sequence of
 *   'C' u32 change type, name      -- a change
 *   'V' u32 syntax, u32 n, n bytes -- a value for the change before it
 * Object reply: u32 attribute count, then per attribute
 *   name, u32 syntax, u32 value count, then per value u32 n and n bytes.
 * Class reply: u32 definition count, then per definition
 *   name, and for full definitions u32 flags and the five lists (u32 count, names).
 */
namespace {

constexpr uint8_t kChangeTag = 'C';
constexpr uint8_t kValueTag = 'V';

int32_t CopyName(const std::string &from, char *to)
{
    if (!to)
        return DIR_ERR_INVALID_REQUEST;
    size_t n = std::min(from.size(), static_cast<size_t>(DIR_MAX_NAME - 1));
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
    return DIR_OK;
}

bool ReadName(const char *name, std::string &out)
{
    if (!name)
        return false;
    size_t n = strnlen(name, DIR_MAX_NAME);
    if (n == DIR_MAX_NAME)
        return false;
    out.assign(name, n);
    return IsValidName(out);
}

// The bytes of a value handed in by a caller, in the library's shape for `syntax`.
int32_t ValueFromCaller(uint32_t syntax, const void *value, Bytes &out)
{
    if (!value)
        return DIR_ERR_INVALID_REQUEST;
    if (syntax == kSyntaxInteger) {
        int32_t v;
        std::memcpy(&v, value, sizeof v);
        out = IntegerBytes(v);
        return DIR_OK;
    }
    if (syntax == kSyntaxOctetString) {
        DirOctetString record;
        std::memcpy(&record, value, sizeof record);
        if (record.length > kMaxValueSize || (record.length > 0 && !record.data))
            return DIR_ERR_INVALID_REQUEST;
        out.assign(record.data, record.data + record.length);
        return DIR_OK;
    }
    const char *text = static_cast<const char *>(value);
    size_t n = strnlen(text, kMaxValueSize + 1);
    if (n > kMaxValueSize)
        return DIR_ERR_INVALID_REQUEST;
    out.assign(text, text + n);
    return DIR_OK;
}

// Bytes a value occupies when fetched.
uint32_t FetchedSize(uint32_t syntax, uint32_t stored)
{
    if (syntax == kSyntaxInteger)
        return 4;
    if (syntax == kSyntaxOctetString)
        return static_cast<uint32_t>(sizeof(DirOctetString)) + stored;
    return stored + 1;
}

void FetchInto(uint32_t syntax, const Bytes &value, void *destination)
{
    uint8_t *out = static_cast<uint8_t *>(destination);
    if (syntax == kSyntaxInteger) {
        int32_t v = IntegerOf(value);
        std::memcpy(out, &v, sizeof v);
    } else if (syntax == kSyntaxOctetString) {
        DirOctetString record;
        record.length = static_cast<uint32_t>(value.size());
        record.data = out + sizeof record;
        std::memcpy(out, &record, sizeof record);
        if (!value.empty())
            std::memcpy(out + sizeof record, value.data(), value.size());
    } else {
        if (!value.empty())
            std::memcpy(out, value.data(), value.size());
        out[value.size()] = '\0';
    }
}

// Adds `value` to `attr` following the schema's rules when the attribute is defined.
int32_t AddValue(Attribute &attr, const AttributeDef *def, uint32_t syntax, Bytes value)
{
    if (def && def->syntax != syntax)
        return DIR_ERR_SYNTAX_VIOLATION;
    if (!attr.values.empty() && attr.syntax != syntax)
        return DIR_ERR_SYNTAX_VIOLATION;
    if (syntax == kSyntaxInteger && value.size() != 4)
        return DIR_ERR_SYNTAX_VIOLATION;
    if (IsTextSyntax(syntax) && std::find(value.begin(), value.end(), 0) != value.end())
        return DIR_ERR_SYNTAX_VIOLATION;
    if (std::find(attr.values.begin(), attr.values.end(), value) != attr.values.end())
        return DIR_ERR_DUPLICATE_VALUE;
    if (def && (def->flags & kAttrSingleValued) && !attr.values.empty())
        return DIR_ERR_SINGLE_VALUED;
    attr.syntax = syntax;
    attr.values.push_back(std::move(value));
    return DIR_OK;
}

void DropEmptyAttributes(Object &object)
{
    auto &attrs = object.attributes;
    attrs.erase(std::remove_if(attrs.begin(), attrs.end(), [](const Attribute &a) { return a.values.empty(); }),
                attrs.end());
}

// The names a request filled for `operation` holds, in the order they were put.
int32_t RequestNames(const Buffer *request, int32_t operation, std::vector<std::string> &names)
{
    if (!request)
        return DIR_ERR_BAD_HANDLE;
    if (request->use != Buffer::Use::Request || request->operation != operation)
        return DIR_ERR_INVALID_REQUEST;
    size_t cursor = 0;
    WireReader r(request->bytes, cursor);
    while (!r.AtEnd()) {
        std::string name;
        if (!r.Name(name))
            return DIR_ERR_INVALID_REQUEST;
        names.push_back(std::move(name));
    }
    return DIR_OK;
}

}  // namespace

Engine::Engine() = default;

Engine::~Engine()
{
    for (Buffer *buffer : buffers_)
        delete buffer;
}

void Engine::SetBackendFactory(BackendFactory factory)
{
    factory_ = std::move(factory);
    backend_ = factory_ ? factory_(nullptr) : nullptr;
    checks_ = true;
}

bool Engine::Enter(uint32_t ordinal, int32_t &code)
{
    ++counts_[ordinal];
    bool fail = false;
    for (auto it = plans_.begin(); it != plans_.end();) {
        if (it->ordinal == ordinal && --it->remaining == 0) {
            if (!fail) {
                fail = true;
                code = it->code;
            }
            it = plans_.erase(it);
        } else {
            ++it;
        }
    }
    return fail;
}

void Engine::Report(const std::string &message)
{
    if (message == lastReport_)
        return;
    lastReport_ = message;
    if (reporter_)
        reporter_(message);
}

bool Engine::Refresh()
{
    if (!backend_)
        return true;
    std::string error;
    if (!backend_->Refresh(store_, error)) {
        Report("dircli32: the directory store " + backend_->Path() + " cannot be used: " + error);
        return false;
    }
    lastReport_.clear();
    return true;
}

int32_t Engine::Locked(const std::function<int32_t()> &body)
{
    std::string error;
    if (backend_ && !backend_->Lock(error)) {
        Report("dircli32: the directory store " + backend_->Path() + " cannot be locked: " + error);
        return kErrStoreUnavailable;
    }
    int32_t rc = Refresh() ? body() : kErrStoreUnavailable;
    if (backend_)
        backend_->Unlock();
    return rc;
}

bool Engine::Write(const Store &store)
{
    std::string error;
    if (!backend_ || backend_->Save(store, error))
        return true;
    Report("dircli32: the directory store " + backend_->Path() + " cannot be written: " + error);
    return false;
}

int32_t Engine::Change(const std::function<int32_t(Store &)> &change)
{
    return Locked([&]() -> int32_t {
        Store copy = store_;
        int32_t rc = change(copy);
        if (rc != DIR_OK)
            return rc;
        if (!Write(copy))
            return kErrStoreUnavailable;
        store_ = std::move(copy);
        return DIR_OK;
    });
}

int32_t Engine::ChangeObject(std::string_view name, const std::function<int32_t(Object &, const Store &)> &change)
{
    return Locked([&]() -> int32_t {
        Object *object = FindObject(store_, name);
        if (!object)
            return DIR_ERR_NO_SUCH_OBJECT;
        Object edited = *object;
        int32_t rc = change(edited, store_);
        if (rc != DIR_OK)
            return rc;
        std::swap(*object, edited);   // same name, same place: the name index holds
        if (Write(store_))
            return DIR_OK;
        std::swap(*object, edited);
        return kErrStoreUnavailable;
    });
}

std::string Engine::Identity() const
{
    return identityOverride_.empty() ? store_.identity : identityOverride_;
}

Buffer *Engine::LiveBuffer(void *handle)
{
    Buffer *buffer = static_cast<Buffer *>(handle);
    return buffers_.count(buffer) ? buffer : nullptr;
}

// --- contexts and buffers ---------------------------------------------------

int32_t Engine::CreateContext()
{
    if (remote_ ? remote_->Connect() != DIR_OK : !Refresh())
        return DIR_ERR_NO_CONTEXT;
    int32_t ctx = nextContext_++;
    if (nextContext_ <= 0)
        nextContext_ = 1;
    contexts_[ctx] = Context{};
    return ctx;
}

int32_t Engine::FreeContext(int32_t ctx)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    contexts_.erase(ctx);
    for (auto it = iterations_.begin(); it != iterations_.end();)
        it = it->second->ctx == ctx ? iterations_.erase(it) : std::next(it);
    return DIR_OK;
}

int32_t Engine::GetContextInfo(int32_t ctx, int32_t key, void *value)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    if (!value)
        return DIR_ERR_INVALID_REQUEST;
    Context &context = contexts_[ctx];
    if (key == DIR_CTX_FLAGS) {
        std::memcpy(value, &context.flags, sizeof context.flags);
        return DIR_OK;
    }
    if (key == DIR_CTX_NAME_CONTEXT)
        return CopyName(context.nameContext, static_cast<char *>(value));
    return DIR_ERR_INVALID_REQUEST;
}

int32_t Engine::SetContextInfo(int32_t ctx, int32_t key, const void *value)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    if (!value)
        return DIR_ERR_INVALID_REQUEST;
    Context &context = contexts_[ctx];
    if (key == DIR_CTX_FLAGS) {
        std::memcpy(&context.flags, value, sizeof context.flags);
        return DIR_OK;
    }
    if (key == DIR_CTX_NAME_CONTEXT) {
        std::string name;
        if (!ReadName(static_cast<const char *>(value), name))
            return DIR_ERR_INVALID_REQUEST;
        context.nameContext = name;
        return DIR_OK;
    }
    return DIR_ERR_INVALID_REQUEST;
}

int32_t Engine::AllocBuffer(uint32_t size, void **buf)
{
    if (!buf || size < 64 || size > 65536)
        return DIR_ERR_INVALID_REQUEST;
    Buffer *buffer = new Buffer;
    buffer->capacity = size;
    buffers_.insert(buffer);
    *buf = buffer;
    return DIR_OK;
}

int32_t Engine::FreeBuffer(void *buf)
{
    Buffer *buffer = LiveBuffer(buf);
    if (!buffer)
        return DIR_ERR_BAD_HANDLE;
    buffers_.erase(buffer);
    delete buffer;
    return DIR_OK;
}

int32_t Engine::InitBuffer(int32_t ctx, int32_t operation, void *buf)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *buffer = LiveBuffer(buf);
    if (!buffer)
        return DIR_ERR_BAD_HANDLE;
    if (operation != DIR_OP_READ_OBJECT && operation != DIR_OP_MODIFY_OBJECT &&
        operation != DIR_OP_READ_CLASS_DEF && operation != DIR_OP_MODIFY_CLASS_DEF)
        return DIR_ERR_INVALID_REQUEST;
    uint32_t capacity = buffer->capacity;
    *buffer = Buffer{};
    buffer->capacity = capacity;
    buffer->use = Buffer::Use::Request;
    buffer->operation = operation;
    return DIR_OK;
}

// --- filling requests -------------------------------------------------------

int32_t Engine::PutAttrName(int32_t ctx, void *request, const char *name)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *buffer = LiveBuffer(request);
    if (!buffer)
        return DIR_ERR_BAD_HANDLE;
    std::string attr;
    if (buffer->use != Buffer::Use::Request ||
        (buffer->operation != DIR_OP_READ_OBJECT && buffer->operation != DIR_OP_MODIFY_CLASS_DEF) ||
        !ReadName(name, attr))
        return DIR_ERR_INVALID_REQUEST;
    WireWriter w(buffer->bytes, buffer->capacity);
    return w.Name(attr) ? DIR_OK : DIR_ERR_INSUFFICIENT_BUFFER;
}

int32_t Engine::PutClassName(int32_t ctx, void *request, const char *className)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *buffer = LiveBuffer(request);
    if (!buffer)
        return DIR_ERR_BAD_HANDLE;
    std::string name;
    if (buffer->use != Buffer::Use::Request || buffer->operation != DIR_OP_READ_CLASS_DEF ||
        !ReadName(className, name))
        return DIR_ERR_INVALID_REQUEST;
    WireWriter w(buffer->bytes, buffer->capacity);
    return w.Name(name) ? DIR_OK : DIR_ERR_INSUFFICIENT_BUFFER;
}

int32_t Engine::PutChange(int32_t ctx, void *request, int32_t changeType, const char *attrName)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *buffer = LiveBuffer(request);
    if (!buffer)
        return DIR_ERR_BAD_HANDLE;
    std::string name;
    if (buffer->use != Buffer::Use::Request || buffer->operation != DIR_OP_MODIFY_OBJECT ||
        changeType < DIR_CHANGE_ADD_ATTRIBUTE || changeType > DIR_CHANGE_REMOVE_VALUE || !ReadName(attrName, name))
        return DIR_ERR_INVALID_REQUEST;
    size_t mark = buffer->bytes.size();
    WireWriter w(buffer->bytes, buffer->capacity);
    if (w.U8(kChangeTag) && w.U32(static_cast<uint32_t>(changeType)) && w.Name(name))
        return DIR_OK;
    w.Truncate(mark);
    return DIR_ERR_INSUFFICIENT_BUFFER;
}

int32_t Engine::PutAttrValue(int32_t ctx, void *request, uint32_t syntaxId, const void *value)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *buffer = LiveBuffer(request);
    if (!buffer)
        return DIR_ERR_BAD_HANDLE;
    if (buffer->use != Buffer::Use::Request || buffer->operation != DIR_OP_MODIFY_OBJECT)
        return DIR_ERR_INVALID_REQUEST;
    Bytes bytes;
    if (int32_t rc = ValueFromCaller(syntaxId, value, bytes); rc != DIR_OK)
        return rc;
    size_t mark = buffer->bytes.size();
    WireWriter w(buffer->bytes, buffer->capacity);
    if (w.U8(kValueTag) && w.U32(syntaxId) && w.Block(bytes.data(), bytes.size()))
        return DIR_OK;
    w.Truncate(mark);
    return DIR_ERR_INSUFFICIENT_BUFFER;
}

// --- reads over several replies ----------------------------------------------

int32_t Engine::FillReply(Iteration &it, Buffer &reply)
{
    uint32_t capacity = reply.capacity;
    reply = Buffer{};
    reply.capacity = capacity;
    reply.namesOnly = it.namesOnly;
    reply.operation = it.operation;
    WireWriter w(reply.bytes, capacity);
    w.U32(0);
    uint32_t count = 0;

    if (it.operation == DIR_OP_READ_OBJECT) {
        reply.use = Buffer::Use::ObjectReply;
        while (it.item < it.attributes.size()) {
            const Attribute &attr = it.attributes[it.item];
            size_t mark = w.Size();
            if (!w.Name(attr.name) || !w.U32(attr.syntax)) {
                w.Truncate(mark);
                break;
            }
            size_t countAt = w.Size();
            if (!w.U32(0)) {
                w.Truncate(mark);
                break;
            }
            uint32_t values = 0;
            while (!it.namesOnly && it.value < attr.values.size()) {
                const Bytes &value = attr.values[it.value];
                if (!w.Block(value.data(), value.size()))
                    break;
                ++values;
                ++it.value;
            }
            bool complete = it.namesOnly || it.value == attr.values.size();
            if (!complete && values == 0) {
                w.Truncate(mark);
                if (count == 0)
                    return DIR_ERR_INSUFFICIENT_BUFFER;   // one value is larger than a whole reply
                break;
            }
            w.PatchU32(countAt, values);
            ++count;
            if (!complete)
                break;
            ++it.item;
            it.value = 0;
        }
    } else {
        reply.use = Buffer::Use::ClassReply;
        while (it.item < it.classes.size()) {
            const ClassDef &def = it.classes[it.item];
            size_t mark = w.Size();
            bool ok = w.Name(def.name);
            if (!it.namesOnly) {
                ok = ok && w.U32(def.flags);
                for (const auto &list : def.lists) {
                    ok = ok && w.U32(static_cast<uint32_t>(list.size()));
                    for (const auto &name : list)
                        ok = ok && w.Name(name);
                }
            }
            if (!ok) {
                w.Truncate(mark);
                if (count == 0)
                    return DIR_ERR_INSUFFICIENT_BUFFER;
                break;
            }
            ++count;
            ++it.item;
        }
    }
    w.PatchU32(0, count);
    return DIR_OK;
}

int32_t Engine::StartIteration(std::unique_ptr<Iteration> iteration, int32_t *iterationHandle, Buffer &reply)
{
    if (int32_t rc = FillReply(*iteration, reply); rc != DIR_OK)
        return rc;
    bool done = iteration->operation == DIR_OP_READ_OBJECT ? iteration->item == iteration->attributes.size()
                                                           : iteration->item == iteration->classes.size();
    if (done) {
        *iterationHandle = DIR_ITERATION_START;
        return DIR_OK;
    }
    int32_t handle = nextIteration_++;
    if (nextIteration_ <= 0)
        nextIteration_ = 0x100;
    iterations_[handle] = std::move(iteration);
    *iterationHandle = handle;
    return DIR_OK;
}

int32_t Engine::ContinueIteration(int32_t ctx, int32_t operation, int32_t *iterationHandle, Buffer &reply)
{
    auto found = iterations_.find(*iterationHandle);
    if (found == iterations_.end() || found->second->ctx != ctx || found->second->operation != operation)
        return DIR_ERR_BAD_HANDLE;
    Iteration &it = *found->second;
    if (int32_t rc = FillReply(it, reply); rc != DIR_OK) {
        iterations_.erase(found);
        *iterationHandle = DIR_ITERATION_START;
        return rc;
    }
    bool done = operation == DIR_OP_READ_OBJECT ? it.item == it.attributes.size() : it.item == it.classes.size();
    if (done) {
        iterations_.erase(found);
        *iterationHandle = DIR_ITERATION_START;
    }
    return DIR_OK;
}

int32_t Engine::ReadObject(int32_t ctx, const char *objectName, uint32_t infoType, int32_t allAttributes,
                           void *request, int32_t *iterationHandle, void *reply)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *out = LiveBuffer(reply);
    if (!out)
        return DIR_ERR_BAD_HANDLE;
    if (!iterationHandle || infoType > DIR_INFO_NAMES_AND_VALUES)
        return DIR_ERR_INVALID_REQUEST;
    if (*iterationHandle != DIR_ITERATION_START)
        return ContinueIteration(ctx, DIR_OP_READ_OBJECT, iterationHandle, *out);

    std::string name;
    if (!ReadName(objectName, name))
        return DIR_ERR_INVALID_REQUEST;
    std::vector<std::string> wanted;
    if (!allAttributes) {
        if (int32_t rc = RequestNames(LiveBuffer(request), DIR_OP_READ_OBJECT, wanted); rc != DIR_OK)
            return rc;
    }
    Object remoteObject;
    const Object *object = nullptr;
    if (remote_) {
        if (int32_t rc = remote_->ReadObject(name, remoteObject); rc != DIR_OK)
            return rc;
        object = &remoteObject;
    } else {
        if (!Refresh())
            return kErrStoreUnavailable;
        object = FindObject(store_, name);
    }
    if (!object)
        return DIR_ERR_NO_SUCH_OBJECT;

    auto it = std::make_unique<Iteration>();
    it->ctx = ctx;
    it->operation = DIR_OP_READ_OBJECT;
    it->namesOnly = infoType != DIR_INFO_NAMES_AND_VALUES;
    if (allAttributes) {
        it->attributes = object->attributes;
    } else {
        for (const auto &attrName : wanted) {
            const Attribute *attr = FindAttribute(*object, attrName);
            if (!attr)
                return DIR_ERR_NO_SUCH_VALUE;
            it->attributes.push_back(*attr);
        }
    }
    return StartIteration(std::move(it), iterationHandle, *out);
}

int32_t Engine::ReadClassDefs(int32_t ctx, uint32_t infoType, int32_t allClasses, void *request,
                              int32_t *iterationHandle, void *reply)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *out = LiveBuffer(reply);
    if (!out)
        return DIR_ERR_BAD_HANDLE;
    if (!iterationHandle || (infoType != 0 && infoType != DIR_INFO_FULL_CLASS_DEFS))
        return DIR_ERR_INVALID_REQUEST;
    if (*iterationHandle != DIR_ITERATION_START)
        return ContinueIteration(ctx, DIR_OP_READ_CLASS_DEF, iterationHandle, *out);

    std::vector<std::string> wanted;
    if (!allClasses) {
        if (int32_t rc = RequestNames(LiveBuffer(request), DIR_OP_READ_CLASS_DEF, wanted); rc != DIR_OK)
            return rc;
        for (const auto &name : wanted)
            Note(1037, name);
    }
    auto it = std::make_unique<Iteration>();
    it->ctx = ctx;
    it->operation = DIR_OP_READ_CLASS_DEF;
    it->namesOnly = infoType != DIR_INFO_FULL_CLASS_DEFS;
    if (remote_) {
        if (allClasses) {
            if (int32_t rc = remote_->ReadAllClasses(it->classes); rc != DIR_OK)
                return rc;
        }
        for (size_t i = 0; !allClasses && i < wanted.size(); ++i) {
            ClassDef def;
            if (int32_t rc = remote_->ReadClass(wanted[i], def); rc != DIR_OK)
                return rc;
            it->classes.push_back(std::move(def));
        }
        return StartIteration(std::move(it), iterationHandle, *out);
    }
    if (!Refresh())
        return kErrStoreUnavailable;
    if (allClasses) {
        it->classes = store_.classDefs;
    } else {
        for (const auto &name : wanted) {
            const ClassDef *def = FindClassDef(store_, name);
            if (!def)
                return DIR_ERR_NO_SUCH_CLASS;
            it->classes.push_back(*def);
        }
    }
    return StartIteration(std::move(it), iterationHandle, *out);
}

int32_t Engine::CloseIteration(int32_t ctx, int32_t iterationHandle, int32_t operation)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    if (iterationHandle == DIR_ITERATION_START)
        return DIR_OK;
    auto found = iterations_.find(iterationHandle);
    if (found == iterations_.end() || found->second->ctx != ctx)
        return DIR_ERR_BAD_HANDLE;
    // A modify never leaves an iteration open; closing a read with either code ends it.
    (void)operation;
    iterations_.erase(found);
    return DIR_OK;
}

// --- taking replies apart ----------------------------------------------------

namespace {

// Skips what the caller left unread of the current attribute.
bool SkipValues(Buffer &b)
{
    WireReader r(b.bytes, b.cursor);
    Bytes ignored;
    for (; b.valuesLeft > 0; --b.valuesLeft)
        if (!r.Block(ignored))
            return false;
    return true;
}

// Skips what the caller left unread of the current name list.
bool SkipNames(Buffer &b)
{
    WireReader r(b.bytes, b.cursor);
    std::string ignored;
    for (; b.namesLeft > 0; --b.namesLeft)
        if (!r.Name(ignored))
            return false;
    return true;
}

bool SkipLists(Buffer &b)
{
    WireReader r(b.bytes, b.cursor);
    for (;;) {
        if (!SkipNames(b))
            return false;
        if (b.listsLeft == 0)
            return true;
        if (!r.U32(b.namesLeft))
            return false;
        --b.listsLeft;
    }
}

bool TakeCount(Buffer &b)
{
    if (b.counted)
        return true;
    b.cursor = 0;
    WireReader r(b.bytes, b.cursor);
    if (!r.U32(b.itemsLeft))
        return false;
    b.counted = true;
    return true;
}

// A reply of the kind `use` and the caller's place for what is taken from it.
int32_t CheckReply(const Buffer *b, Buffer::Use use, const void *out)
{
    if (!b)
        return DIR_ERR_BAD_HANDLE;
    if (b->use != use || !out)
        return DIR_ERR_INVALID_REQUEST;
    return DIR_OK;
}

// Moves a reply past what the caller left unread of the current attribute or
// class definition; BUFFER_EMPTY when no further one follows.
int32_t ToNextItem(Buffer *b, Buffer::Use use, const void *out)
{
    if (int32_t rc = CheckReply(b, use, out); rc != DIR_OK)
        return rc;
    if (!TakeCount(*b) || !(use == Buffer::Use::ObjectReply ? SkipValues(*b) : SkipLists(*b)))
        return DIR_ERR_INVALID_REQUEST;
    if (b->itemsLeft == 0)
        return DIR_ERR_BUFFER_EMPTY;
    return DIR_OK;
}

// An object reply standing at a value that is to be taken as `syntaxId`.
int32_t CheckNextValue(const Buffer *b, uint32_t syntaxId, const void *out)
{
    if (int32_t rc = CheckReply(b, Buffer::Use::ObjectReply, out); rc != DIR_OK)
        return rc;
    if (b->valuesLeft == 0)
        return DIR_ERR_BUFFER_EMPTY;
    if (syntaxId != b->syntax)
        return DIR_ERR_SYNTAX_VIOLATION;
    return DIR_OK;
}

}  // namespace

int32_t Engine::GetAttrCount(int32_t ctx, void *reply, uint32_t *count)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = CheckReply(b, Buffer::Use::ObjectReply, count); rc != DIR_OK)
        return rc;
    b->counted = false;
    b->valuesLeft = 0;
    if (!TakeCount(*b))
        return DIR_ERR_INVALID_REQUEST;
    *count = b->itemsLeft;
    return DIR_OK;
}

int32_t Engine::GetAttrName(int32_t ctx, void *reply, char *name, uint32_t *valueCount, uint32_t *syntaxId)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = ToNextItem(b, Buffer::Use::ObjectReply, name); rc != DIR_OK)
        return rc;
    WireReader r(b->bytes, b->cursor);
    std::string attr;
    uint32_t syntax = 0, values = 0;
    if (!r.Name(attr) || !r.U32(syntax) || !r.U32(values))
        return DIR_ERR_INVALID_REQUEST;
    --b->itemsLeft;
    b->valuesLeft = values;
    b->syntax = syntax;
    CopyName(attr, name);
    if (valueCount)
        *valueCount = values;
    if (syntaxId)
        *syntaxId = syntax;
    return DIR_OK;
}

int32_t Engine::ComputeAttrValueSize(int32_t ctx, void *reply, uint32_t syntaxId, uint32_t *size)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = CheckNextValue(b, syntaxId, size); rc != DIR_OK)
        return rc;
    size_t cursor = b->cursor;
    WireReader r(b->bytes, cursor);
    uint32_t stored = 0;
    if (!r.PeekBlockSize(stored))
        return DIR_ERR_INVALID_REQUEST;
    *size = FetchedSize(syntaxId, stored);
    return DIR_OK;
}

int32_t Engine::GetAttrValue(int32_t ctx, void *reply, uint32_t syntaxId, void *destination)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = CheckNextValue(b, syntaxId, destination); rc != DIR_OK)
        return rc;
    WireReader r(b->bytes, b->cursor);
    Bytes value;
    if (!r.Block(value))
        return DIR_ERR_INVALID_REQUEST;
    --b->valuesLeft;
    FetchInto(syntaxId, value, destination);
    return DIR_OK;
}

int32_t Engine::GetClassDefCount(int32_t ctx, void *reply, uint32_t *count)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = CheckReply(b, Buffer::Use::ClassReply, count); rc != DIR_OK)
        return rc;
    b->counted = false;
    b->listsLeft = b->namesLeft = 0;
    if (!TakeCount(*b))
        return DIR_ERR_INVALID_REQUEST;
    *count = b->itemsLeft;
    return DIR_OK;
}

int32_t Engine::GetClassDef(int32_t ctx, void *reply, char *className, DirClassInfo *info)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = ToNextItem(b, Buffer::Use::ClassReply, className); rc != DIR_OK)
        return rc;
    WireReader r(b->bytes, b->cursor);
    std::string name;
    uint32_t flags = 0;
    if (!r.Name(name) || (!b->namesOnly && !r.U32(flags)))
        return DIR_ERR_INVALID_REQUEST;
    --b->itemsLeft;
    b->listsLeft = b->namesOnly ? 0 : static_cast<uint32_t>(kClassListCount);
    b->namesLeft = 0;
    CopyName(name, className);
    if (info) {
        std::memset(info, 0, sizeof *info);
        info->classFlags = flags;
    }
    return DIR_OK;
}

int32_t Engine::GetNameListCount(int32_t ctx, void *reply, uint32_t *count)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = CheckReply(b, Buffer::Use::ClassReply, count); rc != DIR_OK)
        return rc;
    if (!SkipNames(*b))
        return DIR_ERR_INVALID_REQUEST;
    if (b->listsLeft == 0)
        return DIR_ERR_BUFFER_EMPTY;
    WireReader r(b->bytes, b->cursor);
    if (!r.U32(b->namesLeft))
        return DIR_ERR_INVALID_REQUEST;
    --b->listsLeft;
    *count = b->namesLeft;
    return DIR_OK;
}

int32_t Engine::GetNextName(int32_t ctx, void *reply, char *name)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *b = LiveBuffer(reply);
    if (int32_t rc = CheckReply(b, Buffer::Use::ClassReply, name); rc != DIR_OK)
        return rc;
    if (b->namesLeft == 0)
        return DIR_ERR_BUFFER_EMPTY;
    WireReader r(b->bytes, b->cursor);
    std::string next;
    if (!r.Name(next))
        return DIR_ERR_INVALID_REQUEST;
    --b->namesLeft;
    return CopyName(next, name);
}

// --- changes ----------------------------------------------------------------

struct Engine::ModifyStep {
    int32_t type;
    std::string attr;
    std::vector<std::pair<uint32_t, Bytes>> values;
};

namespace {

// Applies the changes of one request to `object`, in order, all or nothing for
// the caller (who keeps or drops the store they were applied to).
int32_t ApplySteps(const Store &store, Object *object, std::vector<Engine::ModifyStep> &steps, bool checks)
{
    const ClassDef *classDef = FindClassDef(store, object->className);
    for (auto &step : steps) {
        const AttributeDef *def = FindAttributeDef(store, step.attr);
        if (checks && !def)
            return DIR_ERR_ILLEGAL_ATTRIBUTE;
        bool adds = step.type == DIR_CHANGE_ADD_ATTRIBUTE || step.type == DIR_CHANGE_ADD_VALUE;
        if (checks && adds && classDef && !ClassAllowsAttribute(store, *classDef, step.attr))
            return DIR_ERR_ILLEGAL_ATTRIBUTE;   // not an attribute of the object's class
        Attribute *attr = FindAttribute(*object, step.attr);
        switch (step.type) {
        case DIR_CHANGE_ADD_ATTRIBUTE:
            if (attr && !attr->values.empty())
                return DIR_ERR_ATTR_EXISTS;
            [[fallthrough]];
        case DIR_CHANGE_ADD_VALUE:
            if (!attr) {
                object->attributes.push_back(Attribute{def ? def->name : step.attr, def ? def->syntax : 0, {}});
                attr = &object->attributes.back();
            }
            for (auto &[syntax, value] : step.values)
                if (int32_t rc = AddValue(*attr, def, syntax, std::move(value)); rc != DIR_OK)
                    return rc;
            break;
        case DIR_CHANGE_REMOVE_ATTRIBUTE:
            if (!step.values.empty())
                return DIR_ERR_INVALID_REQUEST;
            if (!attr || attr->values.empty())
                return DIR_ERR_NO_SUCH_VALUE;
            attr->values.clear();
            break;
        case DIR_CHANGE_REMOVE_VALUE:
            if (!attr)
                return DIR_ERR_NO_SUCH_VALUE;
            for (const auto &[syntax, value] : step.values) {
                auto found = std::find(attr->values.begin(), attr->values.end(), value);
                if (syntax != attr->syntax || found == attr->values.end())
                    return DIR_ERR_NO_SUCH_VALUE;
                attr->values.erase(found);
            }
            break;
        default:
            return DIR_ERR_INVALID_REQUEST;
        }
    }
    // An attribute left without values is gone (an "add attribute" needs its values
    // in the same request, usually as "add value" changes after it).
    DropEmptyAttributes(*object);
    return DIR_OK;
}

}  // namespace

int32_t Engine::ModifyObject(int32_t ctx, const char *objectName, int32_t *iterationHandle, int32_t moreChanges,
                             void *request)
{
    (void)moreChanges;   // every request is applied whole
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    Buffer *in = LiveBuffer(request);
    if (!in)
        return DIR_ERR_BAD_HANDLE;
    std::string name;
    if (in->use != Buffer::Use::Request || in->operation != DIR_OP_MODIFY_OBJECT || !ReadName(objectName, name))
        return DIR_ERR_INVALID_REQUEST;
    if (iterationHandle)
        *iterationHandle = DIR_ITERATION_START;

    std::vector<ModifyStep> steps;
    size_t cursor = 0;
    WireReader r(in->bytes, cursor);
    while (!r.AtEnd()) {
        uint8_t tag = 0;
        if (!r.U8(tag))
            return DIR_ERR_INVALID_REQUEST;
        if (tag == kChangeTag) {
            ModifyStep step;
            uint32_t type = 0;
            if (!r.U32(type) || !r.Name(step.attr))
                return DIR_ERR_INVALID_REQUEST;
            step.type = static_cast<int32_t>(type);
            steps.push_back(std::move(step));
        } else if (tag == kValueTag) {
            uint32_t syntax = 0;
            Bytes value;
            if (steps.empty() || !r.U32(syntax) || !r.Block(value))
                return DIR_ERR_INVALID_REQUEST;
            steps.back().values.emplace_back(syntax, std::move(value));
        } else {
            return DIR_ERR_INVALID_REQUEST;
        }
    }

    if (remote_)
        return RemoteModify(name, steps);
    std::string identity = Identity();
    bool checks = checks_;
    return ChangeObject(name, [&](Object &object, const Store &store) -> int32_t {
        if (checks && !(EffectiveRights(store, identity, object.name) & (DIR_RIGHT_WRITE | DIR_RIGHT_SUPERVISOR)))
            return DIR_ERR_NO_ACCESS;
        return ApplySteps(store, &object, steps, checks);
    });
}

// A change of an object on the server: the object as it is now, the engine's
// rules applied to it, and the difference written back in one request. The
// server checks rights and the schema itself.
int32_t Engine::RemoteModify(const std::string &name, std::vector<ModifyStep> &steps)
{
    Store scratch;
    scratch.objects.emplace_back();
    if (int32_t rc = remote_->ReadObject(name, scratch.objects.back()); rc != DIR_OK)
        return rc;
    std::vector<std::string> attrs;
    for (const auto &step : steps)
        attrs.push_back(step.attr);
    if (int32_t rc = remote_->AttributeDefs(attrs, scratch.attributeDefs); rc != DIR_OK)
        return rc;
    Object before = scratch.objects.back();
    if (int32_t rc = ApplySteps(scratch, &scratch.objects.back(), steps, false); rc != DIR_OK)
        return rc;
    return remote_->WriteObject(before, scratch.objects.back());
}

int32_t Engine::DefineAttribute(int32_t ctx, const char *attrName, const DirAttributeDefinition *definition)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    std::string name;
    if (!ReadName(attrName, name) || !definition)
        return DIR_ERR_INVALID_REQUEST;
    AttributeDef def{name, definition->syntaxId, definition->flags};
    std::string noted = name;
    if (std::any_of(std::begin(definition->reserved), std::end(definition->reserved), [](uint8_t b) { return b; })) {
        noted += '\t';
        for (uint8_t b : definition->reserved)
            noted += "0123456789abcdef"[b >> 4], noted += "0123456789abcdef"[b & 15];
    }
    Note(1032, noted);
    if (remote_)
        return remote_->DefineAttribute(def);
    std::string identity = Identity();
    bool checks = checks_;
    return Change([&](Store &store) -> int32_t {
        if (FindAttributeDef(store, name))
            return DIR_ERR_ATTR_EXISTS;
        if (checks && !(EffectiveRights(store, identity, "[Root]") & DIR_RIGHT_SUPERVISOR))
            return DIR_ERR_NO_ACCESS;
        store.attributeDefs.push_back(def);
        return DIR_OK;
    });
}

int32_t Engine::ModifyClassDef(int32_t ctx, const char *className, void *request)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    std::vector<std::string> attrs;
    if (int32_t rc = RequestNames(LiveBuffer(request), DIR_OP_MODIFY_CLASS_DEF, attrs); rc != DIR_OK)
        return rc;
    std::string name;
    if (!ReadName(className, name))
        return DIR_ERR_INVALID_REQUEST;
    Note(1035, name);
    if (remote_)
        return remote_->AddOptionalAttributes(name, attrs);
    std::string identity = Identity();
    bool checks = checks_;
    return Change([&](Store &store) -> int32_t {
        ClassDef *def = FindClassDef(store, name);
        if (!def)
            return DIR_ERR_NO_SUCH_CLASS;
        if (checks && !(EffectiveRights(store, identity, "[Root]") & DIR_RIGHT_SUPERVISOR))
            return DIR_ERR_NO_ACCESS;
        for (const auto &attr : attrs) {
            const AttributeDef *attrDef = FindAttributeDef(store, attr);
            if (checks && !attrDef)
                return DIR_ERR_NO_SUCH_VALUE;   // no such attribute
            if (ClassNamesAttribute(*def, attr))
                return DIR_ERR_ATTR_IN_CLASS;
            def->lists[kOptional].push_back(attrDef ? attrDef->name : attr);
        }
        return DIR_OK;
    });
}

// --- rights and identity -------------------------------------------------------

int32_t Engine::GetEffectiveRights(int32_t ctx, const char *subject, const char *object, const char *attrName,
                                   uint32_t *rights)
{
    (void)attrName;   // rights are kept per object only
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    std::string subjectName, objectName;
    if (!ReadName(subject, subjectName) || !ReadName(object, objectName) || !rights)
        return DIR_ERR_INVALID_REQUEST;
    if (remote_)
        return remote_->Rights(subjectName, objectName, *rights);
    if (!Refresh())
        return kErrStoreUnavailable;
    if (!NamesEqual(objectName, "[Root]") && !FindObject(store_, objectName))
        return DIR_ERR_NO_SUCH_OBJECT;
    *rights = EffectiveRights(store_, subjectName, objectName);
    return DIR_OK;
}

int32_t Engine::WhoAmI(int32_t ctx, char *name)
{
    if (!LiveContext(ctx))
        return DIR_ERR_BAD_HANDLE;
    if (!name)
        return DIR_ERR_INVALID_REQUEST;
    if (remote_) {
        std::string identity;
        int32_t rc = remote_->Identity(identity);
        return rc == DIR_OK ? CopyName(identity, name) : rc;
    }
    if (!Refresh())
        return kErrStoreUnavailable;
    std::string identity = Identity();
    if (identity.empty())
        return DIR_ERR_NO_ACCESS;   // nobody is logged in
    return CopyName(identity, name);
}

// --- for the client services stand-in ----------------------------------------

int32_t Engine::FindObjectOfClass(const char *className, uint32_t index, char *name, uint32_t size)
{
    std::string wanted;
    if (!ReadName(className, wanted) || !name || size == 0)
        return DIR_ERR_INVALID_REQUEST;
    if (remote_) {
        std::string found;
        if (int32_t rc = remote_->FindObjectOfClass(wanted, index, found); rc != DIR_OK)
            return rc;
        if (found.size() >= size)
            return DIR_ERR_INSUFFICIENT_BUFFER;
        std::memcpy(name, found.c_str(), found.size() + 1);
        return DIR_OK;
    }
    if (!Refresh())
        return kErrStoreUnavailable;
    for (const auto &object : store_.objects) {
        if (!NamesEqual(object.className, wanted))
            continue;
        if (index-- > 0)
            continue;
        if (object.name.size() >= size)
            return DIR_ERR_INSUFFICIENT_BUFFER;
        std::memcpy(name, object.name.c_str(), object.name.size() + 1);
        return DIR_OK;
    }
    return DIR_ERR_NO_SUCH_OBJECT;
}

int32_t Engine::ListObjects(std::string &text)
{
    std::vector<std::pair<std::string, std::string>> objects;
    if (remote_) {
        if (int32_t rc = remote_->ListObjects(objects); rc != DIR_OK)
            return rc;
    } else {
        if (!Refresh())
            return kErrStoreUnavailable;
        for (const auto &object : store_.objects)
            objects.emplace_back(object.name, object.className);
    }
    text.clear();
    for (const auto &[name, className] : objects)
        text += name + "\t" + className + "\n";
    return DIR_OK;
}

int32_t Engine::ObjectClass(const char *objectName, std::string &className)
{
    std::string name;
    if (!ReadName(objectName, name))
        return DIR_ERR_INVALID_REQUEST;
    if (remote_) {
        Object object;
        if (int32_t rc = remote_->ReadObject(name, object); rc != DIR_OK)
            return rc;
        className = object.className;
        return DIR_OK;
    }
    if (!Refresh())
        return kErrStoreUnavailable;
    const Object *object = FindObject(store_, name);
    if (!object)
        return DIR_ERR_NO_SUCH_OBJECT;
    className = object->className;
    return DIR_OK;
}

// --- test control ---------------------------------------------------------------

void Engine::TestReset()
{
    store_ = Store{};
    backend_.reset();
    checks_ = false;
    identityOverride_.clear();
    counts_.clear();
    names_.clear();
    plans_.clear();
    lastReport_.clear();
}

int32_t Engine::TestLoadText(const char *text)
{
    if (!text)
        return 1;
    Store parsed;
    ParseError error;
    if (!ParseStoreText(text, parsed, error)) {
        Report("dircli32: store text, line " + std::to_string(error.line) + ": " + error.message);
        return 1;
    }
    return Change([&](Store &store) {
        store = std::move(parsed);
        return DIR_OK;
    }) == DIR_OK ? 0 : 1;
}

int32_t Engine::TestSaveText(char *buf, uint32_t size)
{
    Refresh();
    std::string text = PrintStoreText(store_);
    if (buf && size > 0) {
        size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

int32_t Engine::TestCallNames(uint32_t ordinal, char *buf, uint32_t size) const
{
    auto found = names_.find(ordinal);
    const std::string none;
    const std::string &text = found == names_.end() ? none : found->second;
    if (buf && size > 0) {
        size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

int32_t Engine::TestUseStoreFile(const char *path)
{
    if (!factory_)
        return 1;
    backend_ = factory_(path);
    if (!backend_)
        return 1;
    store_ = Store{};
    checks_ = true;
    lastReport_.clear();
    return 0;
}

int32_t Engine::TestAddObject(const char *objectName, const char *className)
{
    std::string name, cls;
    if (!ReadName(objectName, name) || !ReadName(className, cls))
        return DIR_ERR_INVALID_REQUEST;
    return Change([&](Store &store) -> int32_t {
        if (FindObject(store, name))
            return DIR_ERR_ENTRY_EXISTS;
        store.objects.push_back(Object{name, cls, {}});
        return DIR_OK;
    });
}

int32_t Engine::TestRemoveObject(const char *objectName)
{
    std::string name;
    if (!ReadName(objectName, name))
        return DIR_ERR_INVALID_REQUEST;
    return Change([&](Store &store) -> int32_t {
        return RemoveObject(store, name) ? DIR_OK : DIR_ERR_NO_SUCH_OBJECT;
    });
}

int32_t Engine::TestAddValue(const char *objectName, const char *attrName, uint32_t syntaxId, const void *value,
                             uint32_t size)
{
    std::string name, attrText;
    if (!ReadName(objectName, name) || !ReadName(attrName, attrText) || (!value && size > 0) ||
        size > kMaxValueSize + 1)
        return DIR_ERR_INVALID_REQUEST;
    const uint8_t *bytes = static_cast<const uint8_t *>(value);
    Bytes stored(bytes, bytes + size);
    if (syntaxId == kSyntaxInteger && size != 4)
        return DIR_ERR_SYNTAX_VIOLATION;
    if (IsTextSyntax(syntaxId)) {
        // A text is given with its NUL; keep the characters before the first NUL.
        auto nul = std::find(stored.begin(), stored.end(), 0);
        stored.erase(nul, stored.end());
    }
    return ChangeObject(name, [&](Object &object, const Store &) -> int32_t {
        Attribute *attr = FindAttribute(object, attrText);
        if (!attr) {
            object.attributes.push_back(Attribute{attrText, syntaxId, {}});
            attr = &object.attributes.back();
        }
        int32_t rc = AddValue(*attr, nullptr, syntaxId, stored);
        DropEmptyAttributes(object);
        return rc;
    });
}

int32_t Engine::TestRemoveAttribute(const char *objectName, const char *attrName)
{
    std::string name, attrText;
    if (!ReadName(objectName, name) || !ReadName(attrName, attrText))
        return DIR_ERR_INVALID_REQUEST;
    return ChangeObject(name, [&](Object &object, const Store &) -> int32_t {
        Attribute *attr = FindAttribute(object, attrText);
        if (!attr)
            return DIR_ERR_NO_SUCH_VALUE;
        attr->values.clear();
        DropEmptyAttributes(object);
        return DIR_OK;
    });
}

int32_t Engine::TestValueCount(const char *objectName, const char *attrName)
{
    std::string name, attrText;
    if (!ReadName(objectName, name) || !ReadName(attrName, attrText))
        return -1;
    Refresh();
    const Object *object = FindObject(store_, name);
    if (!object)
        return -1;
    const Attribute *attr = FindAttribute(*object, attrText);
    return attr ? static_cast<int32_t>(attr->values.size()) : 0;
}

int32_t Engine::TestGetValue(const char *objectName, const char *attrName, uint32_t index, void *buf, uint32_t size)
{
    std::string name, attrText;
    if (!ReadName(objectName, name) || !ReadName(attrName, attrText))
        return -1;
    Refresh();
    const Object *object = FindObject(store_, name);
    const Attribute *attr = object ? FindAttribute(*object, attrText) : nullptr;
    if (!attr || index >= attr->values.size())
        return -1;
    const Bytes &value = attr->values[index];
    bool text = IsTextSyntax(attr->syntax);
    uint32_t needed = static_cast<uint32_t>(value.size() + (text ? 1 : 0));
    if (buf && size >= needed) {
        if (!value.empty())
            std::memcpy(buf, value.data(), value.size());
        if (text)
            static_cast<uint8_t *>(buf)[value.size()] = 0;
    }
    return static_cast<int32_t>(needed);
}

int32_t Engine::TestDefineClass(const char *className)
{
    std::string name;
    if (!ReadName(className, name))
        return DIR_ERR_INVALID_REQUEST;
    return Change([&](Store &store) -> int32_t {
        if (FindClassDef(store, name))
            return DIR_ERR_ENTRY_EXISTS;
        ClassDef def;
        def.name = name;
        store.classDefs.push_back(std::move(def));
        return DIR_OK;
    });
}

int32_t Engine::TestDefineAttribute(const char *attrName, uint32_t syntaxId, uint32_t flags)
{
    std::string name;
    if (!ReadName(attrName, name))
        return DIR_ERR_INVALID_REQUEST;
    return Change([&](Store &store) -> int32_t {
        if (FindAttributeDef(store, name))
            return DIR_ERR_ATTR_EXISTS;
        store.attributeDefs.push_back(AttributeDef{name, syntaxId, flags});
        return DIR_OK;
    });
}

int32_t Engine::TestAddClassAttribute(const char *className, const char *attrName)
{
    return TestAddClassListName(className, kOptional, attrName);
}

int32_t Engine::TestAddClassListName(const char *className, uint32_t list, const char *name)
{
    std::string cls, entry;
    if (!ReadName(className, cls) || !ReadName(name, entry) || list >= kClassListCount)
        return DIR_ERR_INVALID_REQUEST;
    return Change([&](Store &store) -> int32_t {
        ClassDef *def = FindClassDef(store, cls);
        if (!def)
            return DIR_ERR_NO_SUCH_CLASS;
        for (const auto &existing : def->lists[list])
            if (NamesEqual(existing, entry))
                return DIR_ERR_ATTR_IN_CLASS;
        def->lists[list].push_back(entry);
        return DIR_OK;
    });
}

int32_t Engine::TestClassHasAttribute(const char *className, const char *attrName)
{
    std::string cls, attr;
    if (!ReadName(className, cls) || !ReadName(attrName, attr))
        return 0;
    Refresh();
    const ClassDef *def = FindClassDef(store_, cls);
    return def && ClassNamesAttribute(*def, attr) ? 1 : 0;
}

int32_t Engine::TestAttributeDefined(const char *attrName, uint32_t *syntaxId, uint32_t *flags)
{
    std::string name;
    if (!ReadName(attrName, name))
        return 0;
    Refresh();
    const AttributeDef *def = FindAttributeDef(store_, name);
    if (!def)
        return 0;
    if (syntaxId)
        *syntaxId = def->syntax;
    if (flags)
        *flags = def->flags;
    return 1;
}

void Engine::TestSetIdentity(const char *fullName)
{
    std::string name = fullName ? fullName : "";
    identityOverride_.clear();
    Change([&](Store &store) {
        store.identity = name;
        return DIR_OK;
    });
}

void Engine::TestSetRights(const char *subject, const char *object, uint32_t rights)
{
    std::string s, o;
    if (!ReadName(subject, s) || !ReadName(object, o))
        return;
    Change([&](Store &store) {
        SetGrant(store, s, o, rights);
        return DIR_OK;
    });
}

uint32_t Engine::TestCallCount(uint32_t ordinal) const
{
    auto found = counts_.find(ordinal);
    return found == counts_.end() ? 0 : found->second;
}

void Engine::TestFailCall(uint32_t ordinal, uint32_t nth, int32_t code)
{
    if (nth == 0)
        return;
    plans_.push_back(Plan{ordinal, nth, code});
}

}  // namespace dirstore
