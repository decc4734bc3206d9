// svclib32.dll: the client services stand-in. The connection is always there
// (one fixed handle); the object scan walks the server objects ("Dravon Server")
// of dircli32's store, one per call, handing out each object's own name (the
// leftmost part of its full name, without the "CN=").
#include <mutex>
#include <string>
#include <vector>

#include "dircli32.h"
#include "dircli32_standin.h"
#include "store_model.h"
#include "svclib32.h"
#include "svclib32_test.h"

namespace {

constexpr SvcConnection kConnection = 0x5A01;
constexpr char kServerClass[] = "Dravon Server";

struct Plan {
    uint32_t ordinal;
    uint32_t remaining;
    int32_t code;
};

std::mutex g_lock;
uint32_t g_calls[2];
std::vector<Plan> g_plans;

bool Planned(uint32_t ordinal, int32_t &code)
{
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_calls[ordinal - 101];
    bool fail = false;
    for (auto it = g_plans.begin(); it != g_plans.end();) {
        if (it->ordinal == ordinal && --it->remaining == 0) {
            if (!fail)
                code = it->code;
            fail = true;
            it = g_plans.erase(it);
        } else {
            ++it;
        }
    }
    return fail;
}

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// '*' any run, '?' any one character; letters match without regard to case.
bool Matches(const char *pattern, const char *name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    if (*name == '\0')
        return false;
    if (*pattern != '?' && Fold(*pattern) != Fold(*name))
        return false;
    return Matches(pattern + 1, name + 1);
}

}  // namespace

extern "C" {

int32_t SVCAPI SvcGetDefaultConnection(SvcConnection *connection)
{
    int32_t code = 0;
    if (Planned(101, code))
        return code;
    if (!connection)
        return SVC_ERR_NO_CONNECTION;
    *connection = kConnection;
    return 0;
}

int32_t SVCAPI SvcScanObject(SvcConnection connection, const char *namePattern, uint32_t objectType,
                             int32_t *scanPosition, char *objectName, void *, void *, void *, void *)
{
    int32_t code = 0;
    if (Planned(102, code))
        return code;
    if (connection != kConnection)
        return SVC_ERR_NO_CONNECTION;
    if (!scanPosition || !objectName || objectType != SVC_OBJECT_TYPE_SERVER || *scanPosition < 0)
        return SVC_ERR_NO_MORE;
    const char *pattern = namePattern ? namePattern : "*";
    for (uint32_t index = static_cast<uint32_t>(*scanPosition);; ++index) {
        char fullName[DIR_MAX_NAME];
        if (DirStandinFindObject(kServerClass, index, fullName, sizeof fullName) != 0)
            return SVC_ERR_NO_MORE;
        std::string leaf = dirstore::LeafName(fullName);
        // Names that do not fit the caller's buffer cannot be handed out whole: skipped.
        if (leaf.empty() || leaf.size() >= SVC_MAX_OBJECT_NAME || !Matches(pattern, leaf.c_str()))
            continue;
        leaf.copy(objectName, leaf.size());
        objectName[leaf.size()] = '\0';
        *scanPosition = static_cast<int32_t>(index + 1);
        return 0;
    }
}

void SvcTestReset(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_calls[0] = g_calls[1] = 0;
    g_plans.clear();
}

uint32_t SvcTestCallCount(uint32_t ordinal)
{
    std::lock_guard<std::mutex> hold(g_lock);
    return (ordinal == 101 || ordinal == 102) ? g_calls[ordinal - 101] : 0;
}

void SvcTestFailCall(uint32_t ordinal, uint32_t nth, int32_t code)
{
    if (nth == 0 || (ordinal != 101 && ordinal != 102))
        return;
    std::lock_guard<std::mutex> hold(g_lock);
    g_plans.push_back(Plan{ordinal, nth, code});
}

}  // extern "C"
