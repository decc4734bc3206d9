// dirreplay: the directory calls of the host opening one user's pages and
// saving them, made natively against the directory client's engine
// (dircli32_native) with the POSIX store file, with the time of each step.
// For profiling the store where the Win32 host cannot run.
//
//   dirreplay STORE USER [--idle MINUTES] [--repeat N] [--list]
//
// STORE "-" leaves the choice of directory to the environment, as for any
// process (RAX_DIRECTORY_STORE, or a server named by RAX_DIRECTORY_URL).
// Steps: load (the first context loads the store), with --list the host's
// object list (the window's), open (the reads of the user and network pages: class definitions,
// identity, rights, each remote-access attribute, the servers), save (with
// --idle: the idle timeout replaced as the pages write it; without: nothing,
// as for pages saved unchanged). Prints "step seconds" lines.
#include "dircli32.h"
#include "dircli32_standin.h"
#include "dircli32_test.h"
#include "directory_objects.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kBufferSize = 4096;

const char *const kUserAttributes[] = {
    "Password Minimum Length", "Dravon Session Parameters", "Dravon DialbackFlag", "Dravon Password Parameters",
    "Dravon DialbackNumber",   "Dravon ARAS Zone",          "Dravon IPX Profile",  "Dravon IP Profile",
    "Dravon Idle Timeout",     "Dravon IP Address Pool Flag", "Dravon IP Filters"};

struct Session {
    DirContextHandle ctx = -1;
    DirBuffer request = nullptr;
    DirBuffer reply = nullptr;
    Session()
    {
        ctx = DirCreateContext();
        DirSetContextInfo(ctx, DIR_CTX_NAME_CONTEXT, "[Root]");
        uint32_t flags = 0;
        DirGetContextInfo(ctx, DIR_CTX_FLAGS, &flags);
        DirSetContextInfo(ctx, DIR_CTX_FLAGS, &flags);
        DirAllocBuffer(kBufferSize, &request);
        DirAllocBuffer(kBufferSize, &reply);
    }
    ~Session()
    {
        DirFreeContext(ctx);
        DirFreeBuffer(reply);
        DirFreeBuffer(request);
    }
};

// A read of one attribute as the pages make it: the size of the first value, then the values.
int32_t ReadAttribute(const char *object, const char *attr)
{
    for (int pass = 0; pass < 2; ++pass) {
        Session s;
        DirInitBuffer(s.ctx, DIR_OP_READ_OBJECT, s.request);
        DirPutAttrName(s.ctx, s.request, attr);
        int32_t iteration = DIR_ITERATION_START;
        do {
            int32_t rc = DirReadObject(s.ctx, object, DIR_INFO_NAMES_AND_VALUES, 0, s.request, &iteration, s.reply);
            if (rc != 0)
                return rc;
            uint32_t count = 0;
            DirGetAttrCount(s.ctx, s.reply, &count);
            for (uint32_t i = 0; i < count; ++i) {
                char name[DIR_MAX_NAME];
                uint32_t values = 0, syntax = 0;
                DirGetAttrName(s.ctx, s.reply, name, &values, &syntax);
                for (uint32_t v = 0; v < values; ++v) {
                    uint32_t size = 0;
                    DirComputeAttrValueSize(s.ctx, s.reply, syntax, &size);
                    std::vector<uint8_t> value(size + 1);
                    DirGetAttrValue(s.ctx, s.reply, syntax, value.data());
                }
            }
        } while (iteration != DIR_ITERATION_START);
    }
    return 0;
}

void ReadClasses()
{
    Session s;
    int32_t iteration = DIR_ITERATION_START;
    do {
        if (DirReadClassDefs(s.ctx, DIR_INFO_FULL_CLASS_DEFS, 1, nullptr, &iteration, s.reply) != 0)
            return;
    } while (iteration != DIR_ITERATION_START);
}

int32_t ReadInteger(const char *object, const char *attr, int32_t &value)
{
    Session s;
    DirInitBuffer(s.ctx, DIR_OP_READ_OBJECT, s.request);
    DirPutAttrName(s.ctx, s.request, attr);
    int32_t iteration = DIR_ITERATION_START;
    int32_t rc = DirReadObject(s.ctx, object, DIR_INFO_NAMES_AND_VALUES, 0, s.request, &iteration, s.reply);
    if (rc != 0)
        return rc;
    uint32_t count = 0, values = 0, syntax = 0;
    char name[DIR_MAX_NAME];
    DirGetAttrCount(s.ctx, s.reply, &count);
    DirGetAttrName(s.ctx, s.reply, name, &values, &syntax);
    rc = DirGetAttrValue(s.ctx, s.reply, DIR_SYNTAX_INTEGER, &value);
    DirCloseIteration(s.ctx, iteration, DIR_OP_READ_OBJECT);
    return rc;
}

int32_t WriteIdle(const char *object, int32_t minutes)
{
    int32_t old = 0;
    bool had = ReadInteger(object, "Dravon Idle Timeout", old) == 0;
    Session s;
    DirInitBuffer(s.ctx, DIR_OP_MODIFY_OBJECT, s.request);
    if (had) {
        DirPutChange(s.ctx, s.request, DIR_CHANGE_REMOVE_VALUE, "Dravon Idle Timeout");
        DirPutAttrValue(s.ctx, s.request, DIR_SYNTAX_INTEGER, &old);
    } else {
        DirPutChange(s.ctx, s.request, DIR_CHANGE_ADD_ATTRIBUTE, "Dravon Idle Timeout");
    }
    DirPutChange(s.ctx, s.request, DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout");
    DirPutAttrValue(s.ctx, s.request, DIR_SYNTAX_INTEGER, &minutes);
    return DirModifyObject(s.ctx, object, nullptr, 0, s.request);
}

double Since(std::chrono::steady_clock::time_point &mark)
{
    auto now = std::chrono::steady_clock::now();
    double seconds = std::chrono::duration<double>(now - mark).count();
    mark = now;
    return seconds;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fputs("usage: dirreplay STORE USER [--idle MINUTES] [--repeat N] [--list]\n", stderr);
        return 2;
    }
    const char *store = argv[1];
    const char *user = argv[2];
    bool change = false;
    int32_t idle = 0;
    int repeat = 1;
    bool list = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0) {
            list = true;
        } else if (i + 1 < argc && std::strcmp(argv[i], "--idle") == 0) {
            change = true;
            idle = std::atoi(argv[++i]);
        } else if (i + 1 < argc && std::strcmp(argv[i], "--repeat") == 0) {
            repeat = std::atoi(argv[++i]);
        }
    }
    auto mark = std::chrono::steady_clock::now();
    if (std::strcmp(store, "-") != 0 && DirTestUseStoreFile(store) != 0)
        return 1;
    DirContextHandle first = DirCreateContext();
    if (first < 0) {
        std::fprintf(stderr, "dirreplay: %s cannot be loaded\n", store);
        return 1;
    }
    DirFreeContext(first);
    std::printf("load %.4f\n", Since(mark));
    if (list) {
        std::string error;
        size_t objects = host::ListDirectoryObjects(&error).size();
        std::printf("list %.4f (%zu objects)\n", Since(mark), objects);
    }
    for (int round = 0; round < repeat; ++round) {
        ReadClasses();
        {
            Session s;
            char me[DIR_MAX_NAME];
            DirWhoAmI(s.ctx, me);
            uint32_t rights = 0;
            DirGetEffectiveRights(s.ctx, me, user, "[All Attributes Rights]", &rights);
        }
        for (const char *attr : kUserAttributes) {
            int32_t rc = ReadAttribute(user, attr);
            if (rc != 0 && rc != DIR_ERR_NO_SUCH_VALUE) {
                std::fprintf(stderr, "dirreplay: %s: reading %s gives %d\n", user, attr, rc);
                return 1;
            }
        }
        char server[DIR_MAX_NAME];
        for (uint32_t i = 0; DirStandinFindObject("Dravon Server", i, server, sizeof server) == 0; ++i) {
        }
        std::printf("open %.4f\n", Since(mark));
        if (change) {
            int32_t rc = WriteIdle(user, idle + round);
            std::printf("save %.4f (%d)\n", Since(mark), rc);
            if (rc != 0)
                return 1;
        }
    }
    return 0;
}
