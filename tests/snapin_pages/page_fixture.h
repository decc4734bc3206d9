// Shared set-up of the snap-in's page and dialog tests under Wine: a stand-in
// store with two users and two containers; a page opened through the host's
// object sheet and let finish loading; every message box, dialog and help
// call of the thread captured; what the administrator does on a page; and
// the values in the store, in the library's shapes.
#ifndef RAX_TESTS_PAGE_FIXTURE_H
#define RAX_TESTS_PAGE_FIXTURE_H

#include "harness.h"
#include "object_sheet.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pagetest {

using Bytes = std::vector<uint8_t>;

inline constexpr const char Admin[] = "CN=Admin.O=Acme";
inline constexpr const char UserObject[] = "CN=Jane.OU=Sales.O=Acme";
inline constexpr const char OtherUserObject[] = "CN=Joe.OU=Sales.O=Acme";
inline constexpr const char UnitObject[] = "OU=Sales.O=Acme";
inline constexpr const char OtherUnitObject[] = "OU=Support.O=Acme";

inline constexpr uint32_t ModifyObject = 1026;   // the directory client's write operation
inline constexpr uint32_t WriteRight = 0x04;
inline constexpr uint32_t ReadRights = 0x03;

// A profile item: tag, 32-bit length, data.
Bytes Item(uint16_t tag, const Bytes &data);
// A profile item holding a text and its NUL.
Bytes TextItem(uint16_t tag, const std::string &text);
Bytes Join(std::initializer_list<Bytes> parts);
// A text and its NUL, as a zone value is stored.
Bytes ZoneValue(const std::string &name);

// Values in the stand-in store.
void StoreInteger(const char *object, const char *attribute, int32_t value);
void StoreText(const char *object, const char *attribute, const char *text);
void StoreOctets(const char *object, const char *attribute, const Bytes &value);
int ValueCount(const char *object, const char *attribute);
int32_t StoredInteger(const char *object, const char *attribute);
std::string StoredText(const char *object, const char *attribute);   // "<none>" when absent
Bytes StoredValue(const char *object, const char *attribute, uint32_t index = 0);
// Writes since the page finished loading.
uint32_t Writes();

// Runs pending posted messages of the thread (a page's end of loading).
void Pump();
// Within a dialog action: a command sent and handled before it returns.
void Send(HWND dialog, int id, int notification = BN_CLICKED);
// A string of the test program's table (the snap-in's strings).
std::string StringOf(int id);

class PageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the object through a class procedure and creates its pages
    // (hidden); the page at `index` is the one acted on. Null when the load
    // gave no page or a page could not be created.
    HWND OpenSheet(HostClassProc proc, const char *object, size_t index = 0);
    HWND Page() const;
    int ChangeNotices() const;

    // What the administrator does on the page.
    void SetText(int id, const char *text);   // one EN_CHANGE, as pasting does
    void SetCheck(int id, bool checked);      // a click when the state changes
    void Toggle(int id);                      // a click on a check box
    void Command(int id, int notification = BN_CLICKED);
    std::string Text(int id) const;
    bool Checked(int id) const;
    bool Enabled(int id) const;
    std::vector<std::string> List(int id) const;

    // Message boxes seen so far, by their texts.
    std::vector<std::string> BoxTexts() const;

    // Heap blocks of the snap-in held when the test began (none of the pages').
    long heapAtStart_ = 0;

    std::unique_ptr<harness::ModalCapture> capture_;
    std::unique_ptr<harness::HelpCapture> help_;
    std::unique_ptr<host::ObjectSheet> sheet_;
    size_t pageIndex_ = 0;
    HWND frame_ = nullptr;   // the sheet's window
};

// The network pages (the user's second page, the container page), through
// class procedures that do only what the snap-in's do for them.
class NetworkPageTest : public PageTest {
protected:
    HWND OpenUserPage(const char *object = UserObject);
    HWND OpenContainerPage(const char *object = UnitObject);
    // The host's OK: apply (true when accepted) and save, then close.
    bool Apply();
    void Save();
    // Closes the sheet without saving.
    void Cancel();
};

// The first page of a user (the User Parameters page) alone.
int32_t WINAPI FirstPageClassProc(const char *objectName, uint32_t message, uint32_t index, HostPageInfo *info);

class UserPageTest : public PageTest {
protected:
    // Opens the pages of `object` and checks the page's loading flag.
    HWND OpenPage(const char *object = UserObject);
    void ClosePage();
    // The page's own answer to an apply, and the save, as the host does on OK.
    INT_PTR Apply();
    void Save();
    void ChooseRow(int row);   // a choice in the mode list
    int SelectedRow() const;

    HWND page_ = nullptr;
};

} // namespace pagetest

#endif
