// The home server and restricted zone list editors, opened from the pages'
// "..." buttons and driven inside their modal loops; what they leave in the
// page and what the save then stores.
#include "page_fixture.h"

#include "core/heap.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "editors/editor_ids.h"
#include "editors/list_editors_win32.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"

#include <dircli32_test.h>
#include <svclib32_test.h>

#include <cstdio>

using namespace pagetest;

namespace {

const char IpxProfile[] = "Dravon IPX Profile";
const char Zones[] = "Dravon ARAS Zone";

using Texts = std::vector<std::string>;

bool OkEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }

void SelectEntries(HWND dialog, int listId, std::initializer_list<int> indexes)
{
    for (int index : indexes)
        SendDlgItemMessageA(dialog, listId, LB_SETSEL, TRUE, index);
    Send(dialog, listId, LBN_SELCHANGE);
}

class ListEditors : public NetworkPageTest {
protected:
    void AddServerObject(const char *name)
    {
        ASSERT_EQ(DirTestAddObject((std::string("CN=") + name + ".O=Acme").c_str(), "Dravon Server"), 0);
    }
    void StoreZones(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            StoreOctets(UserObject, Zones, ZoneValue(name));
    }
    // Opens an editor from the page with its "..." button; `action` runs
    // inside the editor's modal loop.
    void EditZones(harness::ModalCapture::DialogAction action)
    {
        capture_->OnNextDialog(std::move(action));
        Command(IDC_EDIT_ZONES);
    }
    void EditHomeServers(harness::ModalCapture::DialogAction action)
    {
        capture_->OnNextDialog(std::move(action));
        Command(IDC_EDIT_HOME_SERVERS);
    }
    // Within an editor: "Add ..." with `action` running in the add dialog.
    void AddInEditor(HWND editor, int addId, harness::ModalCapture::DialogAction action)
    {
        capture_->OnNextDialog(std::move(action));
        Send(editor, addId);
    }
    std::vector<Bytes> StoredZones()
    {
        std::vector<Bytes> values;
        for (int i = 0; i < ValueCount(UserObject, Zones); ++i)
            values.push_back(StoredValue(UserObject, Zones, static_cast<uint32_t>(i)));
        return values;
    }
};

TEST_F(ListEditors, CancellingTheZoneEditorLeavesThePageUntouched)
{
    StoreZones({"Sales", "Annex"});
    HWND page = OpenUserPage();
    bool okAtFirst = true;
    Texts seen;
    EditZones([&](HWND editor) {
        okAtFirst = OkEnabled(editor);
        seen = harness::ListItems(editor, IDC_ZONE_EDIT_LIST);
        SelectEntries(editor, IDC_ZONE_EDIT_LIST, {0, 1});
        Send(editor, IDC_DELETE_ZONE);
        Send(editor, IDCANCEL);
    });
    ASSERT_EQ(capture_->Dialogs().size(), 1u);
    EXPECT_EQ(capture_->Dialogs()[0].caption, "Edit User Restrict Zone List");
    EXPECT_EQ(capture_->Dialogs()[0].owner, GetAncestor(page, GA_ROOT));
    EXPECT_FALSE(okAtFirst);
    EXPECT_EQ(seen, (Texts{"Annex", "Sales"}));
    EXPECT_EQ(List(IDC_ZONE_LIST), (Texts{"Annex", "Sales"}));
    EXPECT_EQ(ChangeNotices(), 0);
    EXPECT_FALSE(rax::NetworkPage().zonesChanged);
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(ListEditors, CancellingTheHomeServerEditorLeavesThePageUntouched)
{
    StoreOctets(UserObject, IpxProfile, TextItem(0xC003, "ALPHA"));
    ASSERT_NE(OpenUserPage(), nullptr);
    EditHomeServers([&](HWND editor) {
        SelectEntries(editor, IDC_SERVER_LIST, {0});
        Send(editor, IDC_DELETE_SERVER);
        Send(editor, IDCANCEL);
    });
    EXPECT_EQ(List(IDC_HOME_SERVER_LIST), Texts{"ALPHA"});
    EXPECT_FALSE(rax::NetworkPage().ipxChanged);
    EXPECT_EQ(ChangeNotices(), 0);
}

TEST_F(ListEditors, ZoneNamesAreCheckedForLengthSpacesAndDuplicates)
{
    ASSERT_NE(OpenUserPage(), nullptr);
    const std::string longest(33, 'z');
    std::string typed;
    Texts afterAdds;
    EditZones([&](HWND editor) {
        // 34 characters typed: the field takes 33, and they are accepted.
        AddInEditor(editor, IDC_ADD_ZONE, [&](HWND add) {
            EXPECT_FALSE(OkEnabled(add));
            harness::TypeText(add, IDC_ZONE_NAME, (longest + "z").c_str());
            typed = harness::ItemText(add, IDC_ZONE_NAME);
            EXPECT_TRUE(OkEnabled(add));
            Send(add, IDOK);
        });
        // A space is refused while typing and on OK; an emptied field on OK.
        AddInEditor(editor, IDC_ADD_ZONE, [&](HWND add) {
            harness::SetItemText(add, IDC_ZONE_NAME, "Zone A");
            Send(add, IDOK);
            harness::SetItemText(add, IDC_ZONE_NAME, "");
            Send(add, IDOK);
            harness::SetItemText(add, IDC_ZONE_NAME, "ZoneA");
            Send(add, IDOK);
        });
        // The same name again is a duplicate; another letter case is not.
        AddInEditor(editor, IDC_ADD_ZONE, [&](HWND add) {
            harness::SetItemText(add, IDC_ZONE_NAME, "ZoneA");
            Send(add, IDOK);
            harness::SetItemText(add, IDC_ZONE_NAME, "zonea");
            Send(add, IDOK);
        });
        afterAdds = harness::ListItems(editor, IDC_ZONE_EDIT_LIST);
        Send(editor, IDOK);
    });
    EXPECT_EQ(typed, longest);
    EXPECT_EQ(BoxTexts(), (Texts{StringOf(5019), StringOf(5019), StringOf(5019), StringOf(5020)}));
    for (const auto &box : capture_->Boxes()) {
        EXPECT_EQ(box.caption, StringOf(6000));
        EXPECT_NE(box.owner, nullptr);
    }
    EXPECT_EQ(afterAdds.size(), 3u);
    EXPECT_EQ(List(IDC_ZONE_LIST).size(), 3u);
    EXPECT_TRUE(rax::NetworkPage().zonesChanged);
    EXPECT_GT(ChangeNotices(), 0);

    Texts shown = List(IDC_ZONE_LIST);
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 2u);   // the removal finds nothing, then one request with every value
    std::vector<Bytes> stored = StoredZones();
    ASSERT_EQ(stored.size(), 3u);
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(stored[i], ZoneValue(shown[i])) << i;
}

TEST_F(ListEditors, DeletingSeveralZonesRemovesExactlyTheSelection)
{
    StoreZones({"A1", "B2", "C3", "D4"});
    ASSERT_NE(OpenUserPage(), nullptr);
    EditZones([&](HWND editor) {
        SelectEntries(editor, IDC_ZONE_EDIT_LIST, {0, 2});
        Send(editor, IDC_DELETE_ZONE);
        EXPECT_TRUE(OkEnabled(editor));
        Send(editor, IDOK);
    });
    EXPECT_EQ(List(IDC_ZONE_LIST), (Texts{"B2", "D4"}));
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredZones(), (std::vector<Bytes>{ZoneValue("B2"), ZoneValue("D4")}));
}

TEST_F(ListEditors, DeletingEveryZoneRemovesTheAttribute)
{
    StoreZones({"A1", "B2"});
    ASSERT_NE(OpenUserPage(), nullptr);
    EditZones([&](HWND editor) {
        SelectEntries(editor, IDC_ZONE_EDIT_LIST, {0, 1});
        Send(editor, IDC_DELETE_ZONE);
        Send(editor, IDOK);
    });
    EXPECT_TRUE(List(IDC_ZONE_LIST).empty());
    EXPECT_GT(ChangeNotices(), 0);
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(ValueCount(UserObject, Zones), 0);
}

// Stored zones the page could not read (or list) are reported and never
// replaced, not even after the administrator added a zone.
TEST_F(ListEditors, ZonesThatCouldNotBeReadAreReportedAndNeverReplaced)
{
    auto unreadable = [](int32_t code) {
        char text[512];
        std::snprintf(text, sizeof text, StringOf(5032).c_str(), static_cast<long>(code));
        return std::string(text);
    };
    struct Case { const char *what; void (*plan)(); std::string box; };
    // Allocations with one zone stored: 1 the read's value node, 2 its array, 3 the page's zone node.
    for (const Case &c : {Case{"read failed", [] { DirTestFailCall(1028, 1, -625); }, unreadable(-625)},
                          Case{"reply without attribute", [] { DirTestFailCall(1008, 1, 0); }, unreadable(-1)},
                          Case{"no memory to read", [] { rax::FailAllocationAt(1); }, StringOf(5001)},
                          Case{"no memory to list", [] { rax::FailAllocationAt(3); }, StringOf(5001)}}) {
        DirTestRemoveAttribute(UserObject, Zones);
        StoreZones({"Sales"});
        size_t before = capture_->Boxes().size();
        c.plan();
        ASSERT_NE(OpenUserPage(), nullptr) << c.what;
        rax::FailAllocationAt(0);
        DirTestClearFailures();
        ASSERT_EQ(capture_->Boxes().size(), before + 1) << c.what;
        EXPECT_EQ(capture_->Boxes().back().text, c.box) << c.what;
        EditZones([&](HWND editor) {
            AddInEditor(editor, IDC_ADD_ZONE, [](HWND add) {
                harness::SetItemText(add, IDC_ZONE_NAME, "Annex");
                Send(add, IDOK);
            });
            Send(editor, IDOK);
        });
        ASSERT_TRUE(Apply()) << c.what;
        Save();
        EXPECT_EQ(StoredZones(), std::vector<Bytes>{ZoneValue("Sales")}) << c.what;
    }
}

// Duplicates are found by the locale's case-sensitive comparison, which passes
// over a soft hyphen: such a name is the zone already listed.
TEST_F(ListEditors, DuplicateZonesAreFoundByTheLocalesComparison)
{
    const char hyphened[] = "Sa\xADles";
    if (lstrcmpA("Sales", hyphened) != 0)
        GTEST_SKIP() << "this locale's comparison tells a soft hyphen apart";
    StoreZones({"Sales"});
    ASSERT_NE(OpenUserPage(), nullptr);
    EditZones([&](HWND editor) {
        AddInEditor(editor, IDC_ADD_ZONE, [&](HWND add) {
            harness::SetItemText(add, IDC_ZONE_NAME, hyphened);
            Send(add, IDOK);
            Send(add, IDCANCEL);
        });
        Send(editor, IDCANCEL);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5020)});
}

TEST_F(ListEditors, ServerNamesAlreadyListedAreNotOffered)
{
    for (const char *name : {"SRV1", "SRV2", "SRV3"})
        AddServerObject(name);
    StoreOctets(UserObject, IpxProfile, Join({TextItem(0xC003, "SRV2"),
                                              Item(0xC002, {0, 0, 0, 1, 0, 0, 0, 0, 0, 2})}));
    ASSERT_NE(OpenUserPage(), nullptr);
    Texts offered;
    bool okBeforeChoice = true;
    EditHomeServers([&](HWND editor) {
        EXPECT_EQ(IsDlgButtonChecked(editor, IDC_BY_NAME), BST_CHECKED);
        AddInEditor(editor, IDC_ADD_SERVER, [&](HWND add) {
            offered = harness::ListItems(add, IDC_SERVER_NAMES);
            okBeforeChoice = OkEnabled(add);
            SelectEntries(add, IDC_SERVER_NAMES, {1});
            EXPECT_TRUE(OkEnabled(add));
            Send(add, IDOK);
        });
        Send(editor, IDOK);
    });
    EXPECT_EQ(offered, (Texts{"SRV1", "SRV3"}));
    EXPECT_FALSE(okBeforeChoice);
    EXPECT_EQ(List(IDC_HOME_SERVER_LIST), (Texts{"[00000001][000000000002]", "SRV2", "SRV3"}));
    EXPECT_TRUE(rax::NetworkPage().ipxChanged);
    EXPECT_EQ(SvcTestCallCount(101), 1u);

    // The cache is kept while the page is open: no second scan.
    EditHomeServers([&](HWND editor) { Send(editor, IDCANCEL); });
    EXPECT_EQ(SvcTestCallCount(101), 1u);

    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpxProfile),
              Join({TextItem(0xC003, "SRV2"), TextItem(0xC003, "SRV3"), Item(0xC002, {0, 0, 0, 1, 0, 0, 0, 0, 0, 2})}));
    EXPECT_EQ(rax::NetworkPage().serverNameCache.first, nullptr);
}

TEST_F(ListEditors, AddressEntriesAreFormedCheckedAndStoredAfterTheNames)
{
    AddServerObject("BETA");
    AddServerObject("ALPHA");
    ASSERT_NE(OpenUserPage(), nullptr);
    EditHomeServers([&](HWND editor) {
        CheckRadioButton(editor, IDC_BY_NAME, IDC_BY_ADDRESS, IDC_BY_ADDRESS);
        AddInEditor(editor, IDC_ADD_SERVER, [&](HWND add) {
            EXPECT_FALSE(OkEnabled(add));
            harness::SetItemText(add, IDC_NETWORK_ADDRESS, "G");            // 5014 while typing
            harness::SetItemText(add, IDC_NETWORK_ADDRESS, "000001A");      // 7 digits: 5014 on OK
            harness::SetItemText(add, IDC_NODE_ADDRESS, "00001b2c3d4e");
            Send(add, IDOK);
            harness::SetItemText(add, IDC_NETWORK_ADDRESS, "0000001A");
            harness::SetItemText(add, IDC_NODE_ADDRESS, "00001B2C3D4");     // 11 digits: 5015 on OK
            Send(add, IDOK);
            harness::SetItemText(add, IDC_NODE_ADDRESS, "00001B2C3D4E");
            Send(add, IDOK);
        });
        AddInEditor(editor, IDC_ADD_SERVER, [&](HWND add) {
            harness::SetItemText(add, IDC_NETWORK_ADDRESS, "0000001A");
            harness::SetItemText(add, IDC_NODE_ADDRESS, "00001B2C3D4E");
            Send(add, IDOK);                                                // 5016
            harness::SetItemText(add, IDC_NODE_ADDRESS, "FFFFFFFFFFFF");    // no range test here
            Send(add, IDOK);
        });
        CheckRadioButton(editor, IDC_BY_NAME, IDC_BY_ADDRESS, IDC_BY_NAME);
        AddInEditor(editor, IDC_ADD_SERVER, [&](HWND add) {
            SelectEntries(add, IDC_SERVER_NAMES, {0, 1});
            Send(add, IDOK);
        });
        Send(editor, IDOK);
    });
    EXPECT_EQ(BoxTexts(), (Texts{StringOf(5014), StringOf(5014), StringOf(5015), StringOf(5016)}));
    Texts expected{"[0000001A][00001B2C3D4E]", "[0000001A][FFFFFFFFFFFF]", "ALPHA", "BETA"};
    EXPECT_EQ(List(IDC_HOME_SERVER_LIST), expected);

    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpxProfile),
              Join({TextItem(0xC003, "ALPHA"), TextItem(0xC003, "BETA"),
                    Item(0xC002, {0, 0, 0, 0x1A, 0, 0, 0x1B, 0x2C, 0x3D, 0x4E}),
                    Item(0xC002, {0, 0, 0, 0x1A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})}));
    // The cache and every list released; the profile written is kept as read.
    EXPECT_EQ(rax::OutstandingBlocks(), heapAtStart_ + 1);
}

TEST_F(ListEditors, ScanThatRunsOutOfMemoryKeepsTheNamesFoundSoFar)
{
    for (const char *name : {"SRV1", "SRV2", "SRV3"})
        AddServerObject(name);
    rax::FailAllocationAt(2);
    EXPECT_EQ(rax::BuildServerNameCache(), 0);
    rax::FailAllocationAt(0);
    EXPECT_EQ(BoxTexts(), Texts{StringOf(5001)});
    const rax::ServerNode *first = rax::NetworkPage().serverNameCache.first;
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(rax::ServerNodeName(first), "SRV1");
    EXPECT_EQ(first->next, nullptr);
    EXPECT_EQ(first->kind, 0);
}

TEST_F(ListEditors, AddByNameThatRunsOutOfMemoryOnOkStaysOpen)
{
    AddServerObject("SRV1");
    ASSERT_NE(OpenUserPage(), nullptr);
    bool openAfterOk = false;
    Texts listed;
    EditHomeServers([&](HWND editor) {
        AddInEditor(editor, IDC_ADD_SERVER, [&](HWND add) {
            SelectEntries(add, IDC_SERVER_NAMES, {0});
            rax::FailAllocationAt(1);   // the selection's index array
            Send(add, IDOK);
            rax::FailAllocationAt(0);
            // A running add dialog keeps its editor disabled; ending it enables
            // the editor at once (whether the dialog was shown yet or not).
            openAfterOk = IsWindow(add) && !IsWindowEnabled(editor);
            Send(add, IDCANCEL);
        });
        listed = harness::ListItems(editor, IDC_SERVER_LIST);
        Send(editor, IDCANCEL);
    });
    EXPECT_TRUE(openAfterOk);
    EXPECT_TRUE(listed.empty());
    EXPECT_EQ(BoxTexts(), Texts{StringOf(5001)});
}

TEST_F(ListEditors, DeletingSeveralServersRemovesExactlyTheSelection)
{
    StoreOctets(UserObject, IpxProfile, Join({TextItem(0xC003, "A"), TextItem(0xC003, "B"), TextItem(0xC003, "C"),
                                              TextItem(0xC003, "D"), TextItem(0xC003, "E")}));
    ASSERT_NE(OpenUserPage(), nullptr);
    EditHomeServers([&](HWND editor) {
        Send(editor, IDC_DELETE_SERVER);   // nothing selected: nothing happens
        EXPECT_FALSE(OkEnabled(editor));
        EXPECT_EQ(harness::ListItems(editor, IDC_SERVER_LIST).size(), 5u);
        SelectEntries(editor, IDC_SERVER_LIST, {1, 3, 4});
        Send(editor, IDC_DELETE_SERVER);
        Send(editor, IDOK);
    });
    EXPECT_EQ(List(IDC_HOME_SERVER_LIST), (Texts{"A", "C"}));
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpxProfile), Join({TextItem(0xC003, "A"), TextItem(0xC003, "C")}));
}

TEST_F(ListEditors, WithoutAConnectionNothingIsOfferedAndOkStillRewritesThePage)
{
    AddServerObject("SRV1");
    SvcTestFailCall(101, 1, -1);
    ASSERT_NE(OpenContainerPage(), nullptr);
    Texts offered{"not read"};
    EditHomeServers([&](HWND editor) {
        EXPECT_FALSE(OkEnabled(editor));
        AddInEditor(editor, IDC_ADD_SERVER, [&](HWND add) {
            offered = harness::ListItems(add, IDC_SERVER_NAMES);
            Send(add, IDOK);   // nothing selected: only closes
        });
        EXPECT_TRUE(OkEnabled(editor));
        Send(editor, IDOK);
    });
    EXPECT_TRUE(offered.empty());
    EXPECT_EQ(rax::NetworkPage().serverNameCache.first, nullptr);
    EXPECT_GT(ChangeNotices(), 0);
    EXPECT_TRUE(rax::NetworkPage().ipxChanged);
    EXPECT_EQ(rax::BuildServerNameCache(), 1);   // a later opening tries again
    ASSERT_NE(rax::NetworkPage().serverNameCache.first, nullptr);
    EXPECT_STREQ(rax::ServerNodeName(rax::NetworkPage().serverNameCache.first), "SRV1");

    // Nothing to store and nothing stored: the save has nothing to remove.
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(ListEditors, EditorsOpenTheirHelpTopics)
{
    HWND page = OpenUserPage();
    (void)page;
    // The "Help" button and the help message both answer 1.
    const WPARAM helpButton = MAKEWPARAM(IDC_EDITOR_HELP, BN_CLICKED);
    INT_PTR zoneButton = 0, zoneMessage = 0, serverButton = 0, serverMessage = 0;
    EditZones([&](HWND editor) {
        zoneButton = configZoneDlgProc(editor, WM_COMMAND, helpButton, 0);
        zoneMessage = configZoneDlgProc(editor, rax::PageMsgHelp, 0, 0);
        Send(editor, IDCANCEL);
    });
    EditHomeServers([&](HWND editor) {
        serverButton = configSapDlgProc(editor, WM_COMMAND, helpButton, 0);
        serverMessage = configSapDlgProc(editor, rax::PageMsgHelp, 0, 0);
        Send(editor, IDCANCEL);
    });
    EXPECT_EQ(zoneButton, 1);
    EXPECT_EQ(zoneMessage, 1);
    EXPECT_EQ(serverButton, 1);
    EXPECT_EQ(serverMessage, 1);
    ASSERT_EQ(help_->Calls().size(), 4u);
    EXPECT_EQ(help_->Calls()[0].data, 49158ul);
    EXPECT_EQ(help_->Calls()[1].data, 49158ul);
    EXPECT_EQ(help_->Calls()[2].data, 49195ul);
    EXPECT_EQ(help_->Calls()[3].data, 49195ul);
    EXPECT_EQ(help_->Calls()[3].file, rax::HelpFilePath());
    EXPECT_EQ(help_->Calls()[3].command, static_cast<unsigned>(HELP_CONTEXT));
}

} // namespace
