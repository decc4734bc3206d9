// The server name cache of the home server list editor: the names the client
// services' object scan finds, in scan order.
#include "editors/list_editors_win32.h"

#include "network/messages.h"
#include "network/network_page_state.h"

#include <svclib32.h>

#include <cstring>

namespace rax {

int BuildServerNameCache()
{
    SvcConnection connection = 0;
    if (SvcGetDefaultConnection(&connection) != 0)
        return 0;
    ValueList<ServerNode> &cache = NetworkPage().serverNameCache;
    int32_t position = 0;
    for (;;) {
        char name[SVC_MAX_OBJECT_NAME + 1] = {};
        if (SvcScanObject(connection, "*", SVC_OBJECT_TYPE_SERVER, &position, name, nullptr, nullptr, nullptr,
                          nullptr) != 0)
            return 1;
        // The library fills at most SVC_MAX_OBJECT_NAME bytes; the extra byte ends the name in any case.
        ServerNode *node = NewServerNode(ServerFromCache, nullptr, std::string_view(name, strnlen(name, SVC_MAX_OBJECT_NAME)));
        if (!node) {
            ReportOutOfMemory();
            return 0;
        }
        AppendNode(cache, node);
    }
}

} // namespace rax
