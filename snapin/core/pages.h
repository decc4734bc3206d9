// The pages of user and container objects as the class procedures see them:
// their dialog procedures, and the readers and writers of their state.
#ifndef RAX_PAGES_H
#define RAX_PAGES_H

#include <windows.h>

#include <cstdint>

extern "C" {
INT_PTR WINAPI UserParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI ServiceParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI OtherParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace rax {

// Message 259 of a user: the first page's state, then the second page's.
void ReadUserParameters(const char *objectName);
void ReadServiceParameters(const char *objectName);
// Message 259 of a container.
void ReadOtherParameters(const char *objectName);

// What the writes of one save came to.
struct WriteOutcome {
    int32_t last = 0;           // the result of the last write made; 0 when none was
    int32_t firstFailure = 0;   // the result of the first write that failed; 0 when none did

    void Record(int32_t result)
    {
        last = result;
        if (result != 0 && firstFailure == 0)
            firstFailure = result;
    }
};

// Message 262: each writes what changed and returns the result of its last
// write (0 when nothing needed writing); a failed write is also noted in
// `failures` when one is given.
int32_t WriteUserParameters(const char *objectName, WriteOutcome *failures = nullptr);
int32_t WriteServiceParameters(const char *objectName, WriteOutcome *failures = nullptr);
int32_t WriteOtherParameters(const char *objectName, WriteOutcome *failures = nullptr);

// True when a save would write something for the page's state.
bool UserParametersPending();
bool ServiceParametersPending();
bool OtherParametersPending();

// Message 262 of the user class and of the container classes: writes what
// the pages changed when `objectName` is the object they were loaded for,
// and tells the administrator when changes did not reach the directory.
void SaveUserPages(const char *objectName);
void SaveContainerPage(const char *objectName);

} // namespace rax

#endif
