// The directory client stand-in behind dircli32's exports: contexts, request and
// reply buffers, iterations, the operations on the store, call counting and
// planned failures. Portable; the caller serialises access (one lock around
// every call) and supplies the store file, if any, through StoreBackend.
#ifndef RAX_STANDINS_DIR_ENGINE_H
#define RAX_STANDINS_DIR_ENGINE_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "dircli32.h"
#include "remote_directory.h"
#include "store_model.h"

namespace dirstore {

// Error beside the library's: the store file could not be read or written.
constexpr int32_t kErrStoreUnavailable = DIR_ERR_STORE_UNAVAILABLE;

// The file a store lives in. Implemented per platform.
class StoreBackend {
public:
    virtual ~StoreBackend() = default;
    virtual std::string Path() const = 0;
    // Loads the file when it changed since the last load (or was never loaded).
    // A missing file is an empty store. On failure `store` is untouched.
    virtual bool Refresh(Store &store, std::string &error) = 0;
    // Excludes every other process from changing the file until Unlock.
    virtual bool Lock(std::string &error) = 0;
    virtual void Unlock() = 0;
    // Replaces the file with the text of `store` atomically.
    virtual bool Save(const Store &store, std::string &error) = 0;
};

struct Buffer;
struct Iteration;

class Engine {
public:
    using BackendFactory = std::function<std::unique_ptr<StoreBackend>(const char *path)>;
    using Reporter = std::function<void(const std::string &)>;

    Engine();
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Platform hooks. With a factory the engine starts attached to the default
    // store file (factory(nullptr)), which is loaded by the first context.
    void SetBackendFactory(BackendFactory factory);
    void SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }
    void SetIdentityOverride(std::string identity) { identityOverride_ = std::move(identity); }
    // A directory server instead of the store: the operations read and change it.
    void SetRemote(std::unique_ptr<RemoteDirectory> remote) { remote_ = std::move(remote); }
    bool HasRemote() const { return remote_ != nullptr; }

    // One change of a modify request, with its values.
    struct ModifyStep;

    // Counting and planned failures: true (and `code`) when this call is to fail.
    bool Enter(uint32_t ordinal, int32_t &code);

    // The library operations (see dircli32.h).
    int32_t CreateContext();
    int32_t FreeContext(int32_t ctx);
    int32_t GetContextInfo(int32_t ctx, int32_t key, void *value);
    int32_t SetContextInfo(int32_t ctx, int32_t key, const void *value);
    int32_t InitBuffer(int32_t ctx, int32_t operation, void *buf);
    int32_t AllocBuffer(uint32_t size, void **buf);
    int32_t FreeBuffer(void *buf);
    int32_t GetAttrCount(int32_t ctx, void *reply, uint32_t *count);
    int32_t GetClassDefCount(int32_t ctx, void *reply, uint32_t *count);
    int32_t GetNameListCount(int32_t ctx, void *reply, uint32_t *count);
    int32_t GetAttrName(int32_t ctx, void *reply, char *name, uint32_t *valueCount, uint32_t *syntaxId);
    int32_t PutAttrName(int32_t ctx, void *request, const char *name);
    int32_t PutChange(int32_t ctx, void *request, int32_t changeType, const char *attrName);
    int32_t PutAttrValue(int32_t ctx, void *request, uint32_t syntaxId, const void *value);
    int32_t GetClassDef(int32_t ctx, void *reply, char *className, DirClassInfo *info);
    int32_t GetNextName(int32_t ctx, void *reply, char *name);
    int32_t PutClassName(int32_t ctx, void *request, const char *className);
    int32_t GetAttrValue(int32_t ctx, void *reply, uint32_t syntaxId, void *destination);
    int32_t ModifyObject(int32_t ctx, const char *objectName, int32_t *iterationHandle, int32_t moreChanges,
                         void *request);
    int32_t ReadObject(int32_t ctx, const char *objectName, uint32_t infoType, int32_t allAttributes,
                       void *request, int32_t *iterationHandle, void *reply);
    int32_t DefineAttribute(int32_t ctx, const char *attrName, const DirAttributeDefinition *definition);
    int32_t ModifyClassDef(int32_t ctx, const char *className, void *request);
    int32_t ReadClassDefs(int32_t ctx, uint32_t infoType, int32_t allClasses, void *request,
                          int32_t *iterationHandle, void *reply);
    int32_t GetEffectiveRights(int32_t ctx, const char *subject, const char *object, const char *attrName,
                               uint32_t *rights);
    int32_t ComputeAttrValueSize(int32_t ctx, void *reply, uint32_t syntaxId, uint32_t *size);
    int32_t CloseIteration(int32_t ctx, int32_t iterationHandle, int32_t operation);
    int32_t WhoAmI(int32_t ctx, char *name);

    // Test control (see dircli32_test.h).
    void TestReset();
    int32_t TestLoadText(const char *text);
    int32_t TestSaveText(char *buf, uint32_t size);
    int32_t TestUseStoreFile(const char *path);
    void TestUseRemote(std::unique_ptr<RemoteDirectory> remote)
    {
        remote_ = std::move(remote);
        lastReport_.clear();
    }
    void TestSetChecks(bool on) { checks_ = on; }
    int32_t TestAddObject(const char *objectName, const char *className);
    int32_t TestRemoveObject(const char *objectName);
    int32_t TestAddValue(const char *objectName, const char *attrName, uint32_t syntaxId, const void *value,
                         uint32_t size);
    int32_t TestRemoveAttribute(const char *objectName, const char *attrName);
    int32_t TestValueCount(const char *objectName, const char *attrName);
    int32_t TestGetValue(const char *objectName, const char *attrName, uint32_t index, void *buf, uint32_t size);
    int32_t TestDefineClass(const char *className);
    int32_t TestDefineAttribute(const char *attrName, uint32_t syntaxId, uint32_t flags);
    int32_t TestAddClassAttribute(const char *className, const char *attrName);
    int32_t TestAddClassListName(const char *className, uint32_t list, const char *name);
    int32_t TestClassHasAttribute(const char *className, const char *attrName);
    int32_t TestAttributeDefined(const char *attrName, uint32_t *syntaxId, uint32_t *flags);
    void TestSetIdentity(const char *fullName);
    void TestSetRights(const char *subject, const char *object, uint32_t rights);
    uint32_t TestCallCount(uint32_t ordinal) const;
    void TestResetCounts()
    {
        counts_.clear();
        names_.clear();
    }
    int32_t TestCallNames(uint32_t ordinal, char *buf, uint32_t size) const;
    void TestFailCall(uint32_t ordinal, uint32_t nth, int32_t code);
    void TestClearFailures() { plans_.clear(); }
    int32_t TestOpenContexts() const { return static_cast<int32_t>(contexts_.size()); }
    int32_t TestOpenBuffers() const { return static_cast<int32_t>(buffers_.size()); }
    int32_t TestOpenIterations() const { return static_cast<int32_t>(iterations_.size()); }

    // For the client services stand-in: the `index`th object of a class (0-based).
    int32_t FindObjectOfClass(const char *className, uint32_t index, char *name, uint32_t size);
    // For the host: every object with its class, one "name<TAB>class" line each.
    int32_t ListObjects(std::string &text);
    int32_t ObjectClass(const char *objectName, std::string &className);

private:
    struct Context {
        uint32_t flags = 0;
        std::string nameContext;
    };
    struct Plan {
        uint32_t ordinal;
        uint32_t remaining;
        int32_t code;
    };

    Buffer *LiveBuffer(void *handle);
    bool LiveContext(int32_t ctx) const { return contexts_.count(ctx) != 0; }
    std::string Identity() const;
    // Brings the store up to date with its file; false (reported) when the file is unusable.
    bool Refresh();
    // Runs `body` under the file's lock on the store brought up to date; kErrStoreUnavailable
    // (reported) when the file cannot be locked or read.
    int32_t Locked(const std::function<int32_t()> &body);
    // Writes `store` to the file, if any; false (reported) when it cannot be written.
    bool Write(const Store &store);
    // Runs `change` on a copy of the store and keeps it (and writes it to the file) when it returns 0.
    int32_t Change(const std::function<int32_t(Store &)> &change);
    // The same for one object: `change` edits a copy of the object named `name` (the rest of the
    // store read-only), which takes the object's place once written. DIR_ERR_NO_SUCH_OBJECT when
    // there is none.
    int32_t ChangeObject(std::string_view name, const std::function<int32_t(Object &, const Store &)> &change);
    void Report(const std::string &message);
    int32_t StartIteration(std::unique_ptr<Iteration> iteration, int32_t *iterationHandle, Buffer &reply);
    int32_t ContinueIteration(int32_t ctx, int32_t operation, int32_t *iterationHandle, Buffer &reply);
    int32_t FillReply(Iteration &iteration, Buffer &reply);
    int32_t RemoteModify(const std::string &name, std::vector<ModifyStep> &steps);

    Store store_;
    bool checks_ = true;
    BackendFactory factory_;
    std::unique_ptr<StoreBackend> backend_;
    std::unique_ptr<RemoteDirectory> remote_;
    Reporter reporter_;
    std::string lastReport_;
    std::string identityOverride_;
    std::map<int32_t, Context> contexts_;
    int32_t nextContext_ = 1;
    std::set<Buffer *> buffers_;
    std::map<int32_t, std::unique_ptr<Iteration>> iterations_;
    int32_t nextIteration_ = 0x100;
    std::map<uint32_t, uint32_t> counts_;
    // What the caller named in each operation since the counts were reset
    // (DirTestCallNames), one line per name.
    std::map<uint32_t, std::string> names_;
    void Note(uint32_t ordinal, const std::string &line) { names_[ordinal] += line + '\n'; }
    std::vector<Plan> plans_;
};

}  // namespace dirstore

#endif
