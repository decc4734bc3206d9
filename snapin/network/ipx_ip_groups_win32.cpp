#include "network/ipx_ip_groups_win32.h"

#include "core/profile_items.h"
#include "core/snapin_state.h"
#include "network/field_limits.h"
#include "network/field_rules.h"
#include "network/ip_profile.h"
#include "network/list_box_entries_win32.h"
#include "network/messages.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"
#include "network/text_conversions.h"

#include <cstring>

namespace rax {

namespace {

constexpr int HomeServerListExtent = 300;   // pixels
constexpr std::size_t IpxDigits = 12;
constexpr std::size_t DottedQuadRoom = 15;
constexpr char DefaultIpxAddress[] = "000000000000";
constexpr char DefaultIpxMask[] = "FFFFFFFFFFFF";
constexpr char NoAddress[] = "0.0.0.0";

void EnableItems(HWND page, std::initializer_list<int> ids, bool on)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE);
}

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void LimitText(HWND page, int id, EntryField field)
{
    SendDlgItemMessageA(page, id, EM_LIMITTEXT, LimitOf(field).limit, 0);
}

// A field refused: the message owned by the page, the focus back on the field.
void RefuseField(HWND page, int id, MessageId message)
{
    ShowErrorMessage(page, message);
    SetFocus(GetDlgItem(page, id));
}

// An IPv4 item and its name item of the IP profile, shown in one half of the
// IP group; false when the profile holds neither.
bool ShowServerAndName(HWND page, const ByteView &profile, uint16_t addressTag, uint16_t nameTag, int addressId,
                       int nameId)
{
    uint8_t address[Ipv4ItemSize + 1] = {};
    char name[StoredNameRoom + 1] = {};
    bool hasAddress = false;
    if (profile.data) {
        hasAddress = FindProfileItem(profile.data, profile.size, addressTag, address, sizeof address);
        FindProfileItem(profile.data, profile.size, nameTag, name, sizeof name);
    }
    if (!hasAddress && name[0] == '\0') {
        SetDlgItemTextA(page, addressId, NoAddress);
        return false;
    }
    uint8_t quad[4];
    std::memcpy(quad, address, sizeof quad);
    char text[DottedQuadTextSize];
    FormatDottedQuad(quad, text);
    SetDlgItemTextA(page, addressId, text);
    SetDlgItemTextA(page, nameId, name);
    return true;
}

// Reads and checks one half of the IP group at apply.
bool TakeServerAndName(HWND page, int checkId, int addressId, int nameId, bool (*nameRule)(std::string_view),
                       MessageId nameMessage, char (&name)[StoredNameRoom + 1], IpServerAndName &half)
{
    half = {};
    if (!IsChecked(page, checkId))
        return true;
    GetDlgItemTextA(page, nameId, name, sizeof name);
    if (!nameRule(name)) {
        RefuseField(page, nameId, nameMessage);
        return false;
    }
    char address[DottedQuadRoom + 1] = {};
    GetDlgItemTextA(page, addressId, address, sizeof address);
    if (DottedQuadRule(address, RuleForm::Full, &half.address) != NoMessage) {
        RefuseField(page, addressId, MsgInvalidDottedQuad);
        return false;
    }
    half.specified = true;
    half.name = name;
    return true;
}

// Reads the IPX address or mask field and converts it after its full rule.
bool TakeIpxField(HWND page, int id, MessageId (*rule)(std::string_view, RuleForm), MessageId message,
                  uint8_t *bytes)
{
    char text[IpxDigits + 1] = {};
    GetDlgItemTextA(page, id, text, sizeof text);
    if (rule(text, RuleForm::Full) != NoMessage) {
        RefuseField(page, id, message);
        return false;
    }
    uint8_t converted[IpxDigits / 2 + 1];
    HexToBytes(converted, sizeof converted, text, IpxDigits);
    std::memcpy(bytes, converted, IpxDigits / 2);
    return true;
}

// A typing check of one field: the text as typed, the rule's character test.
void CheckTyping(HWND page, int id, std::size_t room, bool passes(std::string_view), MessageId message)
{
    char text[StoredNameRoom + 1] = {};
    if (room > StoredNameRoom)
        room = StoredNameRoom;
    GetDlgItemTextA(page, id, text, static_cast<int>(room + 1));
    if (!passes(text))
        RefuseField(page, id, message);
}

bool IpxAddressTyping(std::string_view text) { return IpxAddressRule(text, RuleForm::Typing) == NoMessage; }
bool IpxMaskTyping(std::string_view text) { return IpxMaskRule(text, RuleForm::Typing) == NoMessage; }

} // namespace

void EnableIpxAddressFields(HWND page, bool on)
{
    EnableItems(page, {IDC_IPX_ADDRESS, IDC_IPX_MASK, IDC_IPX_ADDRESS_LABEL, IDC_IPX_MASK_LABEL}, on);
}

void EnableDomainFields(HWND page, bool on)
{
    EnableItems(page, {IDC_DOMAIN_SERVER, IDC_DOMAIN_NAME, IDC_DOMAIN_SERVER_LABEL, IDC_DOMAIN_NAME_LABEL}, on);
}

void EnableBootFields(HWND page, bool on)
{
    EnableItems(page, {IDC_TFTP_SERVER, IDC_BOOT_FILE, IDC_TFTP_SERVER_LABEL, IDC_BOOT_FILE_LABEL}, on);
}

void MarkPageChanged(HWND page, bool &flag)
{
    flag = true;
    NotifyPageChanged(page);
}

void FillIpxAndIpGroups(HWND page, bool canModify)
{
    NetworkPageState &state = NetworkPage();
    EnableIpxAddressFields(page, canModify);
    EnableBootFields(page, canModify);
    EnableDomainFields(page, canModify);

    LimitText(page, IDC_IPX_ADDRESS, EntryField::IpxAddress);
    LimitText(page, IDC_IPX_MASK, EntryField::IpxMask);
    LimitText(page, IDC_DOMAIN_SERVER, EntryField::DomainServerAddress);
    LimitText(page, IDC_TFTP_SERVER, EntryField::TftpServerAddress);
    LimitText(page, IDC_DOMAIN_NAME, EntryField::DomainName);
    LimitText(page, IDC_BOOT_FILE, EntryField::BootFileName);
    SendDlgItemMessageA(page, IDC_HOME_SERVER_LIST, LB_SETHORIZONTALEXTENT, HomeServerListExtent, 0);

    // IPX group.
    ByteView ipx = ProfileBytes(state.ipxAsRead);
    uint8_t addressAndMask[IpxAddressItemSize + 1] = {};
    if (ipx.data && FindProfileItem(ipx.data, ipx.size, TagIpxAddress, addressAndMask, sizeof addressAndMask)) {
        CheckDlgButton(page, IDC_SPECIFY_IPX_ADDRESS, BST_CHECKED);
        char text[IpxDigits + 1];
        BytesToHex(text, sizeof text, addressAndMask, IpxDigits / 2);
        SetDlgItemTextA(page, IDC_IPX_ADDRESS, text);
        BytesToHex(text, sizeof text, addressAndMask + IpxDigits / 2, IpxDigits / 2);
        SetDlgItemTextA(page, IDC_IPX_MASK, text);
    } else {
        SetDlgItemTextA(page, IDC_IPX_ADDRESS, DefaultIpxAddress);
        SetDlgItemTextA(page, IDC_IPX_MASK, DefaultIpxMask);
        EnableIpxAddressFields(page, false);
    }
    if (state.ipxAsRead.block) {
        char text[ListBoxTextRoom + 1];
        for (const ServerNode *node = state.homeServers.first; node; node = node->next) {
            HomeServerDisplayText(*node, text, sizeof text);
            SendDlgItemMessageA(page, IDC_HOME_SERVER_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
    }

    // IP group, each half on its own.
    ByteView ip = ProfileBytes(state.ipAsRead);
    if (ShowServerAndName(page, ip, TagDomainServer, TagDomainName, IDC_DOMAIN_SERVER, IDC_DOMAIN_NAME))
        CheckDlgButton(page, IDC_SPECIFY_DOMAIN, BST_CHECKED);
    else
        EnableDomainFields(page, false);
    if (ShowServerAndName(page, ip, TagTftpServer, TagBootFile, IDC_TFTP_SERVER, IDC_BOOT_FILE))
        CheckDlgButton(page, IDC_SET_BOOT_PARAMETERS, BST_CHECKED);
    else
        EnableBootFields(page, false);
}

bool IpxIpGroupCommand(HWND page, int id, int notification)
{
    NetworkPageState &state = NetworkPage();
    // Every reaction marks the page changed and sets its group's flag, even
    // when the typing check fails.
    switch (id) {
    case IDC_SPECIFY_IPX_ADDRESS:
        if (notification == BN_CLICKED) {
            EnableIpxAddressFields(page, IsChecked(page, id));
            MarkPageChanged(page, state.ipxChanged);
        }
        return true;
    case IDC_IPX_ADDRESS:
        if (notification == EN_CHANGE) {
            MarkPageChanged(page, state.ipxChanged);
            CheckTyping(page, id, IpxDigits, IpxAddressTyping, MsgInvalidIpxAddress);
        }
        return true;
    case IDC_IPX_MASK:
        if (notification == EN_CHANGE) {
            MarkPageChanged(page, state.ipxChanged);
            CheckTyping(page, id, IpxDigits, IpxMaskTyping, MsgInvalidIpxMask);
        }
        return true;
    case IDC_SPECIFY_DOMAIN:
        if (notification == BN_CLICKED) {
            EnableDomainFields(page, IsChecked(page, id));
            MarkPageChanged(page, state.ipChanged);
        }
        return true;
    case IDC_SET_BOOT_PARAMETERS:
        if (notification == BN_CLICKED) {
            EnableBootFields(page, IsChecked(page, id));
            MarkPageChanged(page, state.ipChanged);
        }
        return true;
    case IDC_DOMAIN_SERVER:
    case IDC_TFTP_SERVER:
        if (notification == EN_CHANGE) {
            MarkPageChanged(page, state.ipChanged);
            CheckTyping(page, id, DottedQuadRoom, DottedQuadChars, MsgInvalidDottedQuad);
        }
        return true;
    case IDC_DOMAIN_NAME:
        if (notification == EN_CHANGE) {
            MarkPageChanged(page, state.ipChanged);
            CheckTyping(page, id, StoredNameRoom, DomainNameRule, MsgInvalidDomainName);
        }
        return true;
    case IDC_BOOT_FILE:
        if (notification == EN_CHANGE) {
            MarkPageChanged(page, state.ipChanged);
            CheckTyping(page, id, StoredNameRoom, NoSpaceRule, MsgInvalidBootFileName);
        }
        return true;
    default:
        return false;
    }
}

bool ApplyIpxParameters(HWND page)
{
    NetworkPageState &state = NetworkPage();
    // The address and mask are checked whenever the box is checked, changed
    // or not.
    uint8_t addressAndMask[IpxAddressItemSize] = {};
    bool specified = IsChecked(page, IDC_SPECIFY_IPX_ADDRESS);
    if (specified) {
        if (!TakeIpxField(page, IDC_IPX_ADDRESS, IpxAddressRule, MsgInvalidIpxAddress, addressAndMask) ||
            !TakeIpxField(page, IDC_IPX_MASK, IpxMaskRule, MsgInvalidIpxMask, addressAndMask + IpxDigits / 2))
            return false;
    }
    if (!state.ipxChanged)
        return true;
    ListBoxEntries entries(GetDlgItem(page, IDC_HOME_SERVER_LIST));
    OctetString *value = nullptr;
    if (BuildIpxProfileValue(specified ? &addressAndMask : nullptr, entries.Entries(), value) ==
        BuildResult::OutOfMemory)
        return false;   // reported; the stored profile must stay as it is
    state.ipxBuilt = {value, true};
    return true;
}

bool ApplyIpParameters(HWND page)
{
    NetworkPageState &state = NetworkPage();
    if (!state.ipChanged)
        return true;
    char domainName[StoredNameRoom + 1] = {};
    char bootFile[StoredNameRoom + 1] = {};
    IpServerAndName domain, boot;
    if (!TakeServerAndName(page, IDC_SPECIFY_DOMAIN, IDC_DOMAIN_SERVER, IDC_DOMAIN_NAME, DomainNameRule,
                           MsgInvalidDomainName, domainName, domain) ||
        !TakeServerAndName(page, IDC_SET_BOOT_PARAMETERS, IDC_TFTP_SERVER, IDC_BOOT_FILE, NoSpaceRule,
                           MsgInvalidBootFileName, bootFile, boot))
        return false;
    OctetString *value = nullptr;
    if (BuildIpProfileValue(domain, boot, value) == BuildResult::OutOfMemory)
        return false;
    state.ipBuilt = {value, true};
    return true;
}

} // namespace rax
