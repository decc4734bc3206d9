// The four container classes: one "Remote Access" page each, with a page
// table of its own.
#include "core/class_procedures.h"

#include "core/module_win32.h"
#include "core/pages.h"
#include "core/schema_extension.h"
#include "resources/resource.h"

namespace rax {
namespace {

PageTableRow g_ouTable[1];
PageTableRow g_organizationTable[1];
PageTableRow g_localityTable[1];
PageTableRow g_countryTable[1];

int32_t ContainerProc(PageTableRow *table, const char *objectName, uint32_t message, uint32_t pageIndex,
                      PageInfo *info)
{
    switch (message & 0xFFFF) {
    case ClassMsgSetup: {
        HINSTANCE module = ModuleInstance();
        LoadStringA(module, IDS_TITLE_REMOTE_ACCESS, table[0].title, sizeof table[0].title);
        table[0].info = {OtherParametersPageDlg, module, "OtherParameters", table[0].title, 0};
        return 0;
    }
    case ClassMsgLoad:
        if (EnsureSchema() != 0)
            return 0;
        if (!SetCurrentObjectName(objectName))
            return 0;
        ReadOtherParameters(objectName);
        return 1;
    case ClassMsgPageInfo:
        FillPageInfo(table, 1, pageIndex, info);
        return 0;
    case ClassMsgSave:
        SaveContainerPage(objectName);
        return 0;
    default:
        return 0;
    }
}

} // namespace
} // namespace rax

extern "C" int32_t WINAPI SnapinOuProc(const char *objectName, uint32_t message, uint32_t pageIndex,
                                       rax::PageInfo *info)
{
    return rax::ContainerProc(rax::g_ouTable, objectName, message, pageIndex, info);
}

extern "C" int32_t WINAPI SnapinOProc(const char *objectName, uint32_t message, uint32_t pageIndex,
                                      rax::PageInfo *info)
{
    return rax::ContainerProc(rax::g_organizationTable, objectName, message, pageIndex, info);
}

extern "C" int32_t WINAPI SnapinLocalProc(const char *objectName, uint32_t message, uint32_t pageIndex,
                                          rax::PageInfo *info)
{
    return rax::ContainerProc(rax::g_localityTable, objectName, message, pageIndex, info);
}

extern "C" int32_t WINAPI SnapinCountryProc(const char *objectName, uint32_t message, uint32_t pageIndex,
                                            rax::PageInfo *info)
{
    return rax::ContainerProc(rax::g_countryTable, objectName, message, pageIndex, info);
}
