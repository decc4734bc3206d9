// The library's start: the help path and the class registrations.
#include "core/class_procedures.h"

#include "admhost95.h"
#include "core/module_win32.h"
#include "core/schema_extension.h"

namespace {

const char CopyrightNotice[] = "RAXADM95 remote access administration snap-in. All rights reserved.";
const uint32_t RegistrationFlags = 0x01010000;

void Register(const char *className, HostClassProc classProc)
{
    HostRegisterClass("DS", className, CopyrightNotice, rax::ModuleInstance(), classProc, RegistrationFlags);
}

// The class procedures take the snap-in's PageInfo, which is the host's record.
template <typename Proc> HostClassProc AsHostProc(Proc proc)
{
    static_assert(sizeof(rax::PageInfo) == sizeof(HostPageInfo));
    return reinterpret_cast<HostClassProc>(proc);
}

} // namespace

extern "C" int32_t WINAPI InitSnapin()
{
    rax::BuildHelpFilePath();
    if (rax::ServerClassExists() == 0)
        Register(rax::ServerClassName, AsHostProc(SnapinRAXProc));
    Register("User", AsHostProc(SnapinUserProc));
    Register("Organizational Unit", AsHostProc(SnapinOuProc));
    Register("Organization", AsHostProc(SnapinOProc));
    Register("Locality", AsHostProc(SnapinLocalProc));
    Register("Country", AsHostProc(SnapinCountryProc));
    return 0;
}

extern "C" void WINAPI ShutDown()
{
}
