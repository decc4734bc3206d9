// The access-server class: one Identification page and the class pictures.
#include "core/class_procedures.h"

#include "admshare95.h"
#include "core/identification_page.h"
#include "core/module_win32.h"
#include "core/schema_extension.h"

namespace rax {

namespace {
PageTableRow g_serverTable[1];
HBITMAP g_bitmap = nullptr;
HBITMAP g_aliasBitmap = nullptr;
HBITMAP g_readOnlyBitmap = nullptr;
bool g_bitmapsRegistered = false;   // between a setup and its cleanup

void DeleteBitmap(HBITMAP &bitmap)
{
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = nullptr;
}
} // namespace

} // namespace rax

extern "C" int32_t WINAPI SnapinRAXProc(const char *, uint32_t message, uint32_t pageIndex, rax::PageInfo *info)
{
    using namespace rax;
    switch (message & 0xFFFF) {
    case ClassMsgSetup: {
        HINSTANCE module = ModuleInstance();
        // A setup repeated without a cleanup between keeps the pictures the
        // host already holds: loading them again would lose the handles.
        if (!g_bitmapsRegistered) {
            g_bitmap = LoadBitmapA(module, "RAXBMP");
            g_aliasBitmap = LoadBitmapA(module, "RAXBMPALIAS");
            g_readOnlyBitmap = LoadBitmapA(module, "RAXBMPRO");
            HostRegisterClassBitmaps(ServerClassName, ServerClassName, g_bitmap, g_aliasBitmap, g_readOnlyBitmap);
            g_bitmapsRegistered = true;
        }
        PageTableRow &row = g_serverTable[0];
        lstrcpynA(row.title, "Identification", sizeof row.title);
        row.info = {IdPageDlg, module, "Identification", row.title, 0};
        return 0;
    }
    case ClassMsgCleanup:
        HostReleaseClassBitmaps(ServerClassName, &g_bitmap, &g_aliasBitmap, &g_readOnlyBitmap);
        DeleteBitmap(g_bitmap);
        DeleteBitmap(g_aliasBitmap);
        DeleteBitmap(g_readOnlyBitmap);
        g_bitmapsRegistered = false;
        return 0;
    case ClassMsgLoad:
        return 1;   // nothing to read, no schema check
    case ClassMsgPageInfo:
        FillPageInfo(g_serverTable, 1, pageIndex, info);
        return 0;
    case ClassMsgQuery:
        return ClassQueryAnswer;
    default:
        return 0;
    }
}
