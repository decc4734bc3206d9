// Stand-in for the host's class registration: remembers every class a snap-in
// registers so the host program (and tests) can drive its class procedures.
#include "admhost95.h"

#include <cstring>
#include <vector>

namespace {

std::vector<HostClassRecord> &Classes()
{
    static std::vector<HostClassRecord> classes;
    return classes;
}

void CopyText(char *dest, size_t size, const char *src)
{
    if (size == 0)
        return;
    if (!src)
        src = "";
    size_t n = std::strlen(src);
    if (n >= size)
        n = size - 1;
    std::memcpy(dest, src, n);
    dest[n] = '\0';
}

} // namespace

extern "C" int32_t WINAPI HostRegisterClass(const char *kind, const char *className, const char *copyright,
                                            HINSTANCE module, HostClassProc classProc, uint32_t flags)
{
    HostClassRecord record{};
    CopyText(record.kind, sizeof record.kind, kind);
    CopyText(record.className, sizeof record.className, className);
    CopyText(record.copyright, sizeof record.copyright, copyright);
    record.module = module;
    record.classProc = classProc;
    record.flags = flags;
    Classes().push_back(record);
    return 0;
}

extern "C" int32_t HostRegisteredClassCount(void)
{
    return static_cast<int32_t>(Classes().size());
}

extern "C" int32_t HostGetRegisteredClass(int32_t index, HostClassRecord *record)
{
    if (index < 0 || static_cast<size_t>(index) >= Classes().size() || !record)
        return 0;
    *record = Classes()[static_cast<size_t>(index)];
    return 1;
}

extern "C" HostClassProc HostFindClassProc(const char *className)
{
    if (!className)
        return nullptr;
    for (const auto &record : Classes())
        if (lstrcmpiA(record.className, className) == 0)
            return record.classProc;
    return nullptr;
}

extern "C" void HostForgetClasses(void)
{
    Classes().clear();
}
