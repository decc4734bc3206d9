// Message 262 of the user and container classes: the pages' writers run only
// for the object the pages were loaded for, and an administrator whose
// changes did not reach the directory is told so.
#include "core/directory_access.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "network/messages.h"

#include <windows.h>

namespace rax {

namespace {

using PendingCheck = bool (*)();
using PageWriter = int32_t (*)(const char *, WriteOutcome *);

template <std::size_t N>
void SavePages(const char *objectName, const PendingCheck (&pending)[N], const PageWriter (&writers)[N])
{
    bool anyPending = false;
    for (PendingCheck check : pending)
        anyPending = anyPending || check();
    // The page state belongs to the object of the last load; the pages of
    // one object are never written to another. Directory names compare
    // without regard to case.
    if (!objectName || lstrcmpiA(objectName, CurrentObjectName()) != 0) {
        if (anyPending)
            ShowErrorMessage(NoOwnerWindow, MsgSaveOtherObject, CaptionUserPage);
        return;
    }
    DirectoryContext check = 0;
    int32_t code = OpenDirectoryContext(&check);
    if (code != 0) {
        if (anyPending)
            ShowErrorCode(MsgSaveFailed, CaptionUserPage, code);
        return;
    }
    WriteOutcome outcome;
    for (PageWriter write : writers)
        write(objectName, &outcome);
    CloseDirectoryContext(check);
    if (outcome.firstFailure != 0)
        ShowErrorCode(MsgSaveFailed, CaptionUserPage, outcome.firstFailure);
}

} // namespace

void SaveUserPages(const char *objectName)
{
    SavePages(objectName, {UserParametersPending, ServiceParametersPending},
              {WriteUserParameters, WriteServiceParameters});
}

void SaveContainerPage(const char *objectName)
{
    SavePages(objectName, {OtherParametersPending}, {WriteOtherParameters});
}

} // namespace rax
