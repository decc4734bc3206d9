// Module state every page uses, and the contract with the host: page
// information records, page messages and help contexts.
#ifndef RAX_SNAPIN_STATE_H
#define RAX_SNAPIN_STATE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace rax {

// One property page as handed to the host with message 260: five 32-bit fields.
struct PageInfo {
    DLGPROC pageProc;
    HINSTANCE module;
    const char *templateName;
    const char *tabTitle;
    uint32_t reserved;   // always 0
};
#if !defined(_WIN64)
static_assert(sizeof(PageInfo) == 20, "page information is five 32-bit fields");
static_assert(offsetof(PageInfo, module) == 4);
static_assert(offsetof(PageInfo, templateName) == 8);
static_assert(offsetof(PageInfo, tabTitle) == 12);
static_assert(offsetof(PageInfo, reserved) == 16);
#endif

// Page messages between the host and a page.
inline constexpr UINT PageMsgChanged = 0x520;   // page -> host (sent to the page's own window)
inline constexpr UINT PageMsgApply = 0x521;     // host -> page: 1 accept, 0 refuse
inline constexpr UINT PageMsgHelp = 0x539;      // host -> page: show the page's help topic
inline constexpr LPARAM PageChangedParam = 0x10000;

// A page's own message that ends its loading state (posted to itself).
inline constexpr UINT PageMsgLoaded = 0x52C;

// Help contexts in the help file.
inline constexpr DWORD HelpIdentificationPage = 629134;
inline constexpr DWORD HelpOtherParametersPage = 49197;
inline constexpr DWORD HelpServiceParametersPage = 49194;
inline constexpr DWORD HelpUserParametersPage = 49196;
inline constexpr DWORD HelpHomeServerEditor = 49195;
inline constexpr DWORD HelpZoneListEditor = 49158;

inline constexpr std::size_t HelpFilePathSize = MAX_PATH;
inline constexpr std::size_t ObjectNameSize = 256;

// The help file's full path, built by InitSnapin.
const char *HelpFilePath();
// The full directory name of the object whose pages were loaded last.
const char *CurrentObjectName();
// Takes a new object name; a name of ObjectNameSize characters or more is
// refused (false) and the current name is kept.
bool SetCurrentObjectName(const char *objectName);
// Builds the help path from the host's help directory; internal to InitSnapin
// and kept apart for tests.
void BuildHelpFilePath();

// Tells the host that the page's contents changed.
void NotifyPageChanged(HWND page);
// Opens the help file at a context, owned by `window`.
void ShowHelp(HWND window, DWORD context);

// Centres a dialog on the desktop.
void CenterDialog(HWND dialog);

} // namespace rax

#endif
