// The User Parameters page opened the way the host opens it: a class
// procedure reads the user's attributes from the directory stand-in, the
// host's object sheet creates the page, and the page's loading message is
// let through before the test acts on it.
#ifndef RAX_TESTS_USER_PAGE_FIXTURE_H
#define RAX_TESTS_USER_PAGE_FIXTURE_H

#include "harness.h"
#include "object_sheet.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace usertest {

inline constexpr const char Admin[] = "CN=Admin.O=Acme";
inline constexpr const char UserObject[] = "CN=Jane.OU=Sales.O=Acme";
inline constexpr const char OtherUserObject[] = "CN=Joe.OU=Sales.O=Acme";
inline constexpr uint32_t ModifyOrdinal = 1026;

// The first page of the user class, as the snap-in's class procedure offers
// it (the second page is not part of these tests).
int32_t WINAPI FirstPageClassProc(const char *objectName, uint32_t message, uint32_t index, HostPageInfo *info);

// Values in the stand-in store, in the library's shapes.
void PutInteger(const char *object, const char *attribute, int32_t value);
void PutText(const char *object, const char *attribute, const char *text);
void PutBytes(const char *object, const char *attribute, const std::vector<uint8_t> &bytes);
int32_t ValueCount(const char *object, const char *attribute);
int32_t StoredInteger(const char *object, const char *attribute);
std::string StoredText(const char *object, const char *attribute);
std::vector<uint8_t> StoredBytes(const char *object, const char *attribute);

void PumpMessages();

class UserPageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the pages of `object` and creates the first page (hidden).
    HWND OpenPage(const char *object = UserObject);
    void ClosePage();
    // Apply (the page's own answer) and save, as the host does on OK.
    INT_PTR Apply();
    void Save();

    // What the administrator does.
    void SetField(int id, const char *text);   // one change notice, as pasting does
    void Toggle(int id);                       // a click on a check box
    void ChooseRow(int row);                   // a choice in the mode list
    void Press(int id);                        // a push button

    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;
    std::string Text(int id) const;
    int SelectedRow() const;
    int ChangeNotices() const;
    uint32_t Writes() const;

    HWND page_ = nullptr;
    HWND frame_ = nullptr;
    std::unique_ptr<host::ObjectSheet> sheet_;
    std::unique_ptr<harness::ModalCapture> capture_;
};

} // namespace usertest

#endif
