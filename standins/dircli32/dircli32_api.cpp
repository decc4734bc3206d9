// The exported operations of dircli32 and its test control: each takes the one
// lock, counts the call, fires a planned failure if one is due, and hands over
// to the engine. Nothing (not even an allocation failure) escapes as an exception.
#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "dir_engine.h"
#include "dircli32.h"
#include "dircli32_platform.h"
#include "dircli32_standin.h"
#include "dircli32_test.h"

namespace {

struct Library {
    std::mutex lock;
    dirstore::Engine engine;
    Library() { InstallPlatform(engine); }
};

Library &Lib()
{
    static Library library;
    return library;
}

template <typename Fn>
int32_t Call(uint32_t ordinal, Fn fn)
{
    Library &lib = Lib();
    std::lock_guard<std::mutex> hold(lib.lock);
    int32_t code = 0;
    if (lib.engine.Enter(ordinal, code))
        return code;
    try {
        return fn(lib.engine);
    } catch (const std::bad_alloc &) {
        return DIR_ERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return DIR_ERR_INVALID_REQUEST;
    }
}

template <typename Fn>
auto Test(Fn fn) -> decltype(fn(Lib().engine))
{
    Library &lib = Lib();
    std::lock_guard<std::mutex> hold(lib.lock);
    try {
        return fn(lib.engine);
    } catch (...) {
        return decltype(fn(lib.engine))();
    }
}

}  // namespace

extern "C" {

DirContextHandle DIRAPI DirCreateContext(void)
{
    return Call(1001, [](auto &e) { return e.CreateContext(); });
}

int32_t DIRAPI DirFreeContext(DirContextHandle ctx)
{
    return Call(1002, [&](auto &e) { return e.FreeContext(ctx); });
}

int32_t DIRAPI DirGetContextInfo(DirContextHandle ctx, int32_t key, void *value)
{
    return Call(1003, [&](auto &e) { return e.GetContextInfo(ctx, key, value); });
}

int32_t DIRAPI DirSetContextInfo(DirContextHandle ctx, int32_t key, const void *value)
{
    return Call(1004, [&](auto &e) { return e.SetContextInfo(ctx, key, value); });
}

int32_t DIRAPI DirInitBuffer(DirContextHandle ctx, int32_t operation, DirBuffer buf)
{
    return Call(1005, [&](auto &e) { return e.InitBuffer(ctx, operation, buf); });
}

int32_t DIRAPI DirAllocBuffer(uint32_t size, DirBuffer *buf)
{
    return Call(1006, [&](auto &e) { return e.AllocBuffer(size, buf); });
}

int32_t DIRAPI DirFreeBuffer(DirBuffer buf)
{
    return Call(1007, [&](auto &e) { return e.FreeBuffer(buf); });
}

int32_t DIRAPI DirGetAttrCount(DirContextHandle ctx, DirBuffer reply, uint32_t *count)
{
    return Call(1008, [&](auto &e) { return e.GetAttrCount(ctx, reply, count); });
}

int32_t DIRAPI DirGetClassDefCount(DirContextHandle ctx, DirBuffer reply, uint32_t *count)
{
    return Call(1009, [&](auto &e) { return e.GetClassDefCount(ctx, reply, count); });
}

int32_t DIRAPI DirGetNameListCount(DirContextHandle ctx, DirBuffer reply, uint32_t *count)
{
    return Call(1010, [&](auto &e) { return e.GetNameListCount(ctx, reply, count); });
}

int32_t DIRAPI DirGetAttrName(DirContextHandle ctx, DirBuffer reply, char *name, uint32_t *valueCount,
                              uint32_t *syntaxId)
{
    return Call(1013, [&](auto &e) { return e.GetAttrName(ctx, reply, name, valueCount, syntaxId); });
}

int32_t DIRAPI DirPutAttrName(DirContextHandle ctx, DirBuffer request, const char *name)
{
    return Call(1015, [&](auto &e) { return e.PutAttrName(ctx, request, name); });
}

int32_t DIRAPI DirPutChange(DirContextHandle ctx, DirBuffer request, int32_t changeType, const char *attrName)
{
    return Call(1016, [&](auto &e) { return e.PutChange(ctx, request, changeType, attrName); });
}

int32_t DIRAPI DirPutAttrValue(DirContextHandle ctx, DirBuffer request, uint32_t syntaxId, const void *value)
{
    return Call(1017, [&](auto &e) { return e.PutAttrValue(ctx, request, syntaxId, value); });
}

int32_t DIRAPI DirGetClassDef(DirContextHandle ctx, DirBuffer reply, char *className, DirClassInfo *classInfo)
{
    return Call(1019, [&](auto &e) { return e.GetClassDef(ctx, reply, className, classInfo); });
}

int32_t DIRAPI DirGetNextName(DirContextHandle ctx, DirBuffer reply, char *name)
{
    return Call(1020, [&](auto &e) { return e.GetNextName(ctx, reply, name); });
}

int32_t DIRAPI DirPutClassName(DirContextHandle ctx, DirBuffer request, const char *className)
{
    return Call(1021, [&](auto &e) { return e.PutClassName(ctx, request, className); });
}

int32_t DIRAPI DirGetAttrValue(DirContextHandle ctx, DirBuffer reply, uint32_t syntaxId, void *destination)
{
    return Call(1022, [&](auto &e) { return e.GetAttrValue(ctx, reply, syntaxId, destination); });
}

int32_t DIRAPI DirModifyObject(DirContextHandle ctx, const char *objectName, int32_t *iterationHandle,
                               int32_t moreChanges, DirBuffer request)
{
    return Call(1026, [&](auto &e) { return e.ModifyObject(ctx, objectName, iterationHandle, moreChanges, request); });
}

int32_t DIRAPI DirReadObject(DirContextHandle ctx, const char *objectName, uint32_t infoType, int32_t allAttributes,
                             DirBuffer request, int32_t *iterationHandle, DirBuffer reply)
{
    return Call(1028, [&](auto &e) {
        return e.ReadObject(ctx, objectName, infoType, allAttributes, request, iterationHandle, reply);
    });
}

int32_t DIRAPI DirDefineAttribute(DirContextHandle ctx, const char *attrName, const DirAttributeDefinition *definition)
{
    return Call(1032, [&](auto &e) { return e.DefineAttribute(ctx, attrName, definition); });
}

int32_t DIRAPI DirModifyClassDef(DirContextHandle ctx, const char *className, DirBuffer request)
{
    return Call(1035, [&](auto &e) { return e.ModifyClassDef(ctx, className, request); });
}

int32_t DIRAPI DirReadClassDefs(DirContextHandle ctx, uint32_t infoType, int32_t allClasses, DirBuffer request,
                                int32_t *iterationHandle, DirBuffer reply)
{
    return Call(1037, [&](auto &e) {
        return e.ReadClassDefs(ctx, infoType, allClasses, request, iterationHandle, reply);
    });
}

int32_t DIRAPI DirGetEffectiveRights(DirContextHandle ctx, const char *subjectName, const char *objectName,
                                     const char *attrName, uint32_t *rights)
{
    return Call(1046, [&](auto &e) { return e.GetEffectiveRights(ctx, subjectName, objectName, attrName, rights); });
}

int32_t DIRAPI DirComputeAttrValueSize(DirContextHandle ctx, DirBuffer reply, uint32_t syntaxId, uint32_t *size)
{
    return Call(1047, [&](auto &e) { return e.ComputeAttrValueSize(ctx, reply, syntaxId, size); });
}

int32_t DIRAPI DirCloseIteration(DirContextHandle ctx, int32_t iterationHandle, int32_t operation)
{
    return Call(1072, [&](auto &e) { return e.CloseIteration(ctx, iterationHandle, operation); });
}

int32_t DIRAPI DirWhoAmI(DirContextHandle ctx, char *name)
{
    return Call(1093, [&](auto &e) { return e.WhoAmI(ctx, name); });
}

// --- test control --------------------------------------------------------------

void DirTestReset(void)
{
    Test([](auto &e) { e.TestReset(); });
}

int32_t DirTestLoadText(const char *text)
{
    return Test([&](auto &e) { return e.TestLoadText(text); });
}

int32_t DirTestSaveText(char *buf, uint32_t size)
{
    return Test([&](auto &e) { return e.TestSaveText(buf, size); });
}

int32_t DirTestAddObject(const char *objectName, const char *className)
{
    return Test([&](auto &e) { return e.TestAddObject(objectName, className); });
}

int32_t DirTestAddValue(const char *objectName, const char *attrName, uint32_t syntaxId, const void *value,
                        uint32_t size)
{
    return Test([&](auto &e) { return e.TestAddValue(objectName, attrName, syntaxId, value, size); });
}

int32_t DirTestRemoveAttribute(const char *objectName, const char *attrName)
{
    return Test([&](auto &e) { return e.TestRemoveAttribute(objectName, attrName); });
}

int32_t DirTestValueCount(const char *objectName, const char *attrName)
{
    return Test([&](auto &e) { return e.TestValueCount(objectName, attrName); });
}

int32_t DirTestGetValue(const char *objectName, const char *attrName, uint32_t index, void *buf, uint32_t size)
{
    return Test([&](auto &e) { return e.TestGetValue(objectName, attrName, index, buf, size); });
}

int32_t DirTestDefineClass(const char *className)
{
    return Test([&](auto &e) { return e.TestDefineClass(className); });
}

int32_t DirTestDefineAttribute(const char *attrName, uint32_t syntaxId, uint32_t flags)
{
    return Test([&](auto &e) { return e.TestDefineAttribute(attrName, syntaxId, flags); });
}

int32_t DirTestAddClassAttribute(const char *className, const char *attrName)
{
    return Test([&](auto &e) { return e.TestAddClassAttribute(className, attrName); });
}

int32_t DirTestClassHasAttribute(const char *className, const char *attrName)
{
    return Test([&](auto &e) { return e.TestClassHasAttribute(className, attrName); });
}

int32_t DirTestAttributeDefined(const char *attrName, uint32_t *syntaxId, uint32_t *flags)
{
    return Test([&](auto &e) { return e.TestAttributeDefined(attrName, syntaxId, flags); });
}

void DirTestSetIdentity(const char *fullName)
{
    Test([&](auto &e) { e.TestSetIdentity(fullName); });
}

void DirTestSetRights(const char *subjectName, const char *objectName, uint32_t rights)
{
    Test([&](auto &e) { e.TestSetRights(subjectName, objectName, rights); });
}

uint32_t DirTestCallCount(uint32_t ordinal)
{
    return Test([&](auto &e) { return e.TestCallCount(ordinal); });
}

void DirTestResetCounts(void)
{
    Test([](auto &e) { e.TestResetCounts(); });
}

void DirTestFailCall(uint32_t ordinal, uint32_t nth, int32_t code)
{
    Test([&](auto &e) { e.TestFailCall(ordinal, nth, code); });
}

void DirTestClearFailures(void)
{
    Test([](auto &e) { e.TestClearFailures(); });
}

int32_t DirTestOpenContexts(void)
{
    return Test([](auto &e) { return e.TestOpenContexts(); });
}

int32_t DirTestOpenBuffers(void)
{
    return Test([](auto &e) { return e.TestOpenBuffers(); });
}

int32_t DirTestUseStoreFile(const char *path)
{
    return Test([&](auto &e) { return e.TestUseStoreFile(path); });
}

void DirTestSetChecks(int32_t on)
{
    Test([&](auto &e) { e.TestSetChecks(on != 0); });
}

int32_t DirTestRemoveObject(const char *objectName)
{
    return Test([&](auto &e) { return e.TestRemoveObject(objectName); });
}

int32_t DirTestAddClassListName(const char *className, uint32_t list, const char *name)
{
    return Test([&](auto &e) { return e.TestAddClassListName(className, list, name); });
}

int32_t DirTestOpenIterations(void)
{
    return Test([](auto &e) { return e.TestOpenIterations(); });
}

int32_t DirTestCallNames(uint32_t ordinal, char *buf, uint32_t size)
{
    return Test([&](auto &e) { return e.TestCallNames(ordinal, buf, size); });
}

int32_t DirStandinFindObject(const char *className, uint32_t index, char *name, uint32_t size)
{
    return Test([&](auto &e) { return e.FindObjectOfClass(className, index, name, size); });
}

int32_t DirStandinListObjects(char *text, uint32_t size)
{
    return Test([&](auto &e) -> int32_t {
        std::string listing;
        if (int32_t rc = e.ListObjects(listing); rc != DIR_OK)
            return rc;
        if (text && size > 0) {
            size_t n = std::min(listing.size(), static_cast<size_t>(size - 1));
            std::memcpy(text, listing.data(), n);
            text[n] = '\0';
        }
        return static_cast<int32_t>(std::min(listing.size(), static_cast<size_t>(INT32_MAX)));
    });
}

int32_t DirTestUseDirectoryServer(const char *url, const char *bindDn, const char *passwordFile)
{
    return Test([&](auto &e) -> int32_t {
        if (!url) {
            e.TestUseRemote(nullptr);
            return 0;
        }
        auto servers = MakeDirectoryServers(url, bindDn ? bindDn : "", passwordFile ? passwordFile : "");
        if (!servers)
            return 1;
        e.TestUseRemote(std::move(servers));
        return 0;
    });
}

int32_t DirStandinObjectClass(const char *objectName, char *className, uint32_t size)
{
    return Test([&](auto &e) -> int32_t {
        std::string found;
        if (int32_t rc = e.ObjectClass(objectName, found); rc != DIR_OK)
            return rc;
        if (!className || found.size() >= size)
            return DIR_ERR_INSUFFICIENT_BUFFER;
        std::memcpy(className, found.c_str(), found.size() + 1);
        return DIR_OK;
    });
}

}  // extern "C"
