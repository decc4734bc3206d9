// Shared set-up of the network page and list editor tests: a stand-in store
// with a user, a container and a few access servers; the page of an object
// opened through the host's object sheet; every message box, dialog and help
// call of the thread captured; and helpers to build and read stored values.
#ifndef RAX_TESTS_NETWORK_FIXTURE_H
#define RAX_TESTS_NETWORK_FIXTURE_H

#include "harness.h"
#include "object_sheet.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nettest {

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

class NetworkPageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the object and shows its network page (the user's second page or
    // the container's page) through a host sheet; the page has finished loading.
    HWND OpenUserPage(const char *object = UserObject);
    HWND OpenContainerPage(const char *object = UnitObject);
    HWND Page() const;
    int ChangeNotices() const;

    // The host's OK: apply (true when accepted) and, when accepted, save.
    bool Apply();
    void Save();
    // Closes the sheet without saving.
    void Cancel();

    // What the administrator does on the page.
    void SetText(int id, const char *text);      // one EN_CHANGE
    void SetCheck(int id, bool checked);         // toggles like a click when it changes
    void Command(int id, int notification = BN_CLICKED);
    std::string Text(int id) const;
    bool Checked(int id) const;
    bool Enabled(int id) const;
    std::vector<std::string> List(int id) const;

    // The store.
    void StoreOctets(const char *object, const char *attribute, const Bytes &value);
    void StoreInteger(const char *object, const char *attribute, int32_t value);
    int ValueCount(const char *object, const char *attribute) const;
    Bytes StoredValue(const char *object, const char *attribute, uint32_t index = 0) const;
    uint32_t Writes() const;

    // Message boxes seen so far, as texts of their string ids.
    static std::string StringOf(int id);
    std::vector<std::string> BoxTexts() const;

    // Heap blocks of the snap-in held when the test began (none of the page's).
    long heapAtStart_ = 0;

    std::unique_ptr<harness::ModalCapture> capture_;
    std::unique_ptr<harness::HelpCapture> help_;
    std::unique_ptr<host::ObjectSheet> sheet_;
    size_t pageIndex_ = 0;   // the sheet's network page
    HWND parent_ = nullptr;

private:
    HWND OpenPage(HostClassProc proc, const char *object);
};

// Runs pending posted messages of the thread (the page's end of loading).
void Pump();

// Within a dialog action: a command sent and handled before it returns.
void Send(HWND dialog, int id, int notification = BN_CLICKED);

} // namespace nettest

#endif
