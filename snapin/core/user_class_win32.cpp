// The user class: two pages, "Remote Access - 1" and "Remote Access - 2".
#include "core/class_procedures.h"

#include "core/module_win32.h"
#include "core/pages.h"
#include "core/schema_extension.h"
#include "resources/resource.h"

namespace rax {
namespace {
PageTableRow g_userTable[2];
} // namespace
} // namespace rax

extern "C" int32_t WINAPI SnapinUserProc(const char *objectName, uint32_t message, uint32_t pageIndex,
                                         rax::PageInfo *info)
{
    using namespace rax;
    switch (message & 0xFFFF) {
    case ClassMsgSetup: {
        HINSTANCE module = ModuleInstance();
        PageTableRow &first = g_userTable[0];
        PageTableRow &second = g_userTable[1];
        LoadStringA(module, IDS_TITLE_REMOTE_ACCESS_1, first.title, sizeof first.title);
        LoadStringA(module, IDS_TITLE_REMOTE_ACCESS_2, second.title, sizeof second.title);
        first.info = {UserParametersPageDlg, module, "UserParameters", first.title, 0};
        second.info = {ServiceParametersPageDlg, module, "ServiceParameters", second.title, 0};
        return 0;
    }
    case ClassMsgLoad:
        if (EnsureSchema() != 0)
            return 0;
        if (!SetCurrentObjectName(objectName))
            return 0;   // a name that does not fit gets no pages
        ReadUserParameters(objectName);
        ReadServiceParameters(objectName);
        return 2;
    case ClassMsgPageInfo:
        FillPageInfo(g_userTable, 2, pageIndex, info);
        return 0;
    case ClassMsgSave:
        SaveUserPages(objectName);
        return 0;
    default:
        return 0;
    }
}
