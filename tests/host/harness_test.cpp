// The harness must catch what the snap-in opens; if it does not, later tests
// hang instead of failing.
#include "harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// An in-memory dialog template: "Probe", one edit (id 100), OK and Cancel.
std::vector<WORD> ProbeTemplate()
{
    std::vector<WORD> t;
    auto align = [&] { if (t.size() % 2) t.push_back(0); };
    auto dword = [&](DWORD v) { t.push_back(LOWORD(v)); t.push_back(HIWORD(v)); };
    auto text = [&](const wchar_t *s) { while (*s) t.push_back(static_cast<WORD>(*s++)); t.push_back(0); };
    dword(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    dword(0);
    t.push_back(3);                       // items
    t.push_back(10); t.push_back(10); t.push_back(120); t.push_back(60);
    t.push_back(0); t.push_back(0);       // no menu, default class
    text(L"Probe");
    auto item = [&](DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const wchar_t *caption) {
        align();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        t.push_back(static_cast<WORD>(x)); t.push_back(static_cast<WORD>(y));
        t.push_back(static_cast<WORD>(cx)); t.push_back(static_cast<WORD>(cy));
        t.push_back(id);
        t.push_back(0xFFFF); t.push_back(atom);
        text(caption);
        t.push_back(0);
    };
    item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 5, 100, 12, 100, 0x0081, L"");
    item(BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 40, 40, 14, IDOK, 0x0080, L"OK");
    item(BS_PUSHBUTTON | WS_TABSTOP, 60, 40, 40, 14, IDCANCEL, 0x0080, L"Cancel");
    return t;
}

std::string g_textAtOk;

INT_PTR CALLBACK ProbeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (LOWORD(wParam) == IDOK)
            g_textAtOk = harness::ItemText(dialog, 100);
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR RunProbe(HWND owner)
{
    std::vector<WORD> t = ProbeTemplate();
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                   owner, ProbeProc, 0);
}

TEST(Harness, MessageBoxesAreRecordedAndAnswered)
{
    harness::ModalCapture capture;
    EXPECT_EQ(MessageBoxA(nullptr, "first", "Caption A", MB_OK | MB_ICONSTOP), IDOK);
    capture.AnswerNextBox(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "second", "Caption B", MB_YESNO), IDNO);
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(MessageBoxA(owner, "third", "Caption C", MB_OK | MB_ICONINFORMATION), IDOK);
    DestroyWindow(owner);

    ASSERT_EQ(capture.Boxes().size(), 3u);
    EXPECT_EQ(capture.Boxes()[0].text, "first");
    EXPECT_EQ(capture.Boxes()[0].caption, "Caption A");
    EXPECT_EQ(capture.Boxes()[0].icon, harness::BoxIcon::Stop);
    EXPECT_EQ(capture.Boxes()[0].owner, nullptr);
    EXPECT_EQ(capture.Boxes()[1].icon, harness::BoxIcon::None);
    EXPECT_EQ(capture.Boxes()[2].icon, harness::BoxIcon::Information);
    EXPECT_EQ(capture.Boxes()[2].owner, owner);
    EXPECT_TRUE(capture.Dialogs().empty());
}

TEST(Harness, DialogsRunTheQueuedActionOrAreCancelled)
{
    harness::ModalCapture capture;
    capture.OnNextDialog([](HWND dialog) {
        harness::SetItemText(dialog, 100, "typed");
        harness::Click(dialog, IDOK);
    });
    g_textAtOk.clear();
    EXPECT_EQ(RunProbe(nullptr), IDOK);
    EXPECT_EQ(g_textAtOk, "typed");

    // Nobody expects the second one: cancelled, not left waiting.
    EXPECT_EQ(RunProbe(nullptr), IDCANCEL);
    ASSERT_EQ(capture.Dialogs().size(), 2u);
    EXPECT_EQ(capture.Dialogs()[0].caption, "Probe");
    EXPECT_TRUE(capture.Dialogs()[0].handled);
    EXPECT_FALSE(capture.Dialogs()[1].handled);
}

TEST(Harness, BoxOpenedFromADialogIsCaughtToo)
{
    harness::ModalCapture capture;
    capture.OnNextDialog([](HWND dialog) {
        MessageBoxA(dialog, "inside", "Nested", MB_OK | MB_ICONSTOP);
        harness::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunProbe(nullptr), IDCANCEL);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, "inside");
    EXPECT_NE(capture.Boxes()[0].owner, nullptr);
}

// Another program's viewer window (test programs share Wine's desktop) is
// where WinHelpA would send the call; the capture must record it all the same.
TEST(Harness, HelpCallsAreRecordedWithoutAViewerWhateverViewerWindowsExist)
{
    harness::HelpCapture help;
    WNDCLASSA viewerClass{};
    viewerClass.lpfnWndProc = DefWindowProcA;
    viewerClass.hInstance = GetModuleHandleA(nullptr);
    viewerClass.lpszClassName = "MS_WINHELP";
    RegisterClassA(&viewerClass);
    HWND viewer = CreateWindowExA(0, "MS_WINHELP", "viewer", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  viewerClass.hInstance, nullptr);
    HWND caller = CreateWindowExA(0, "STATIC", "caller", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(WinHelpA(caller, "C:\\HELP\\RAXADM.HLP", HELP_CONTEXT, 49195));
    DestroyWindow(caller);
    DestroyWindow(viewer);
    ASSERT_EQ(help.Calls().size(), 1u);
    EXPECT_EQ(help.Calls()[0].file, "C:\\HELP\\RAXADM.HLP");
    EXPECT_EQ(help.Calls()[0].command, unsigned(HELP_CONTEXT));
    EXPECT_EQ(help.Calls()[0].data, 49195ul);
    EXPECT_EQ(help.Calls()[0].caller, caller);
}

} // namespace
