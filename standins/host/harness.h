// Test harness for code that opens message boxes, modal dialogs and help:
// everything is captured on the calling thread and answered, so no test ever
// waits for a click or starts a help viewer.
#ifndef RAX_HOST_HARNESS_H
#define RAX_HOST_HARNESS_H

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace harness {

enum class BoxIcon { None, Stop, Information, Other };

struct CapturedBox {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
    HWND owner = nullptr;
};

struct CapturedDialog {
    std::string caption;
    HWND owner = nullptr;
    bool handled = false;   // false: no action was queued and the dialog was cancelled
};

// While alive, every message box and top-level dialog the thread opens is
// caught when it is activated. Message boxes are recorded and answered with
// the next queued answer (IDOK when none is queued). Dialogs run the next
// queued action from a timer inside their modal loop; a dialog nobody
// expected is recorded and cancelled.
class ModalCapture {
public:
    using DialogAction = std::function<void(HWND dialog)>;

    ModalCapture();
    ~ModalCapture();
    ModalCapture(const ModalCapture &) = delete;
    ModalCapture &operator=(const ModalCapture &) = delete;

    void AnswerNextBox(int button) { m_answers.push_back(button); }
    void OnNextDialog(DialogAction action) { m_actions.push_back(std::move(action)); }

    const std::vector<CapturedBox> &Boxes() const { return m_boxes; }
    const std::vector<CapturedDialog> &Dialogs() const { return m_dialogs; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK RunAction(HWND, UINT, UINT_PTR timer, DWORD);
    void Activated(HWND window);

    HHOOK m_hook = nullptr;
    std::vector<HWND> m_seen;
    std::deque<int> m_answers;
    std::deque<DialogAction> m_actions;
    std::vector<CapturedBox> m_boxes;
    std::vector<CapturedDialog> m_dialogs;
    HWND m_pendingDialog = nullptr;
    DialogAction m_pendingAction;
};

struct CapturedHelp {
    HWND caller = nullptr;
    std::string file;
    unsigned command = 0;
    unsigned long data = 0;
};

// While alive, WinHelpA calls of this process are recorded instead of
// starting a viewer. The call itself is caught (its first instruction jumps
// to the recorder), not the viewer's window that WinHelpA would look for:
// under Wine every program on the desktop sees every such window, and test
// programs run side by side.
class HelpCapture {
public:
    HelpCapture();
    ~HelpCapture();
    HelpCapture(const HelpCapture &) = delete;
    HelpCapture &operator=(const HelpCapture &) = delete;

    const std::vector<CapturedHelp> &Calls() const { return m_calls; }

private:
    static BOOL WINAPI Record(HWND caller, LPCSTR file, UINT command, ULONG_PTR data);
    HelpCapture *m_outer = nullptr;
    std::vector<CapturedHelp> m_calls;
};

// Dialog driving helpers, for use inside a DialogAction.
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const char *text);
void TypeText(HWND dialog, int id, const char *text);   // one WM_CHAR per character
void Click(HWND dialog, int id);                        // WM_COMMAND BN_CLICKED, posted
std::vector<std::string> ListItems(HWND dialog, int listId);

} // namespace harness

#endif
