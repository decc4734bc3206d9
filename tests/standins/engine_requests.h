// Requests the engine tests make of dirstore::Engine directly.
#ifndef RAX_TESTS_ENGINE_REQUESTS_H
#define RAX_TESTS_ENGINE_REQUESTS_H

#include <cstdint>
#include <string_view>

#include "dir_engine.h"

// Adds `zone` as a value of the octet-string attribute "Zone" of "O=K" in
// one modify request; the library's code of the first step that failed.
inline int32_t AddZoneValue(dirstore::Engine &engine, int32_t ctx, std::string_view zone)
{
    void *request = nullptr;
    engine.AllocBuffer(DIR_BUFFER_SIZE, &request);
    DirOctetString value{static_cast<uint32_t>(zone.size()),
                         reinterpret_cast<uint8_t *>(const_cast<char *>(zone.data()))};
    int32_t rc = engine.InitBuffer(ctx, DIR_OP_MODIFY_OBJECT, request);
    if (rc == 0)
        rc = engine.PutChange(ctx, request, DIR_CHANGE_ADD_VALUE, "Zone");
    if (rc == 0)
        rc = engine.PutAttrValue(ctx, request, DIR_SYNTAX_OCTET_STRING, &value);
    if (rc == 0)
        rc = engine.ModifyObject(ctx, "O=K", nullptr, 0, request);
    engine.FreeBuffer(request);
    return rc;
}

#endif
