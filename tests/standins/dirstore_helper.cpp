// A second process for the store file tests. It works on the store file named
// by RAX_DIRECTORY_STORE through dircli32.dll, and exits with the negated
// library code (0 on success).
//   dirstore_helper open                          create a context
//   dirstore_helper add <object> <attr> <first> <count>
//                                                 add octet values "v<first>".."v<first+count-1>", one request each
//   dirstore_helper count <object> <attr>         print the number of values
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dircli32.h"
#include "dircli32_test.h"

static int Add(const char *object, const char *attr, int first, int count)
{
    DirContextHandle ctx = DirCreateContext();
    if (ctx < 0)
        return -ctx;
    DirBuffer request = nullptr;
    int32_t rc = DirAllocBuffer(DIR_BUFFER_SIZE, &request);
    for (int i = first; rc == 0 && i < first + count; ++i) {
        std::string text = "v" + std::to_string(i);
        DirOctetString value{static_cast<uint32_t>(text.size()), reinterpret_cast<uint8_t *>(text.data())};
        rc = DirInitBuffer(ctx, DIR_OP_MODIFY_OBJECT, request);
        if (rc == 0)
            rc = DirPutChange(ctx, request, DIR_CHANGE_ADD_VALUE, attr);
        if (rc == 0)
            rc = DirPutAttrValue(ctx, request, DIR_SYNTAX_OCTET_STRING, &value);
        if (rc == 0)
            rc = DirModifyObject(ctx, object, nullptr, 0, request);
    }
    if (request)
        DirFreeBuffer(request);
    DirFreeContext(ctx);
    return -rc;
}

int main(int argc, char **argv)
{
    if (argc >= 2 && !std::strcmp(argv[1], "open")) {
        DirContextHandle ctx = DirCreateContext();
        if (ctx < 0)
            return -ctx;
        DirFreeContext(ctx);
        return 0;
    }
    if (argc >= 6 && !std::strcmp(argv[1], "add"))
        return Add(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc >= 4 && !std::strcmp(argv[1], "count")) {
        DirContextHandle ctx = DirCreateContext();
        if (ctx < 0)
            return -ctx;
        std::printf("%d\n", static_cast<int>(DirTestValueCount(argv[2], argv[3])));
        DirFreeContext(ctx);
        return 0;
    }
    std::fprintf(stderr, "usage: dirstore_helper open | add <object> <attr> <first> <count> | count <object> <attr>\n");
    return 255;
}
