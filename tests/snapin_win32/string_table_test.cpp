// The string table of RAXADM95.DLL holds every text exactly as the snap-in
// shows it (the resource compiler's quoting is easy to get wrong), and the
// library exports its procedures by their plain names.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

struct ExpectedString {
    UINT id;
    const char *text;
};

const ExpectedString Strings[] = {
    {5001, "Memory allocation failure."},
    {5002, "Invalid IPX address. A valid address is 12 hexdecimal characters and a range of 000000000002 - "
           "FFFFFFFFFFFE"},
    {5003, "The mask is invalid. The valid mask is 12 hexdecimal characters and all the '1' bits in the mask "
           "must start at the left and be contiguous."},
    {5004, "Invalid IP domain name. Valid characters are '0' ~ '9', 'A' ~ 'Z', '.', '-', and '_'."},
    {5005, "Invalid IP boot file name.  Space is not a valid character."},
    {5006, "The field must be in decimal dot notation, i.e. it must contain 4 numbers separated by '.' and each "
           "number cannot be greater than 255. e.g. 129.1.2.0 or 255.255.255.0"},
    {5010, "Invalid password. Valid characters are '0' ~ '9' or 'A' ~ 'Z'."},
    {5011, "The valid disable remote client password time is between 0 and 365."},
    {5012, "The valid maximum connect time is between -1 and 100000."},
    {5013, "The valid maximum idle timeout is between -1 and 100000."},
    {5014, "Invalid network address. The valid network address is 8 hexdecimal characters."},
    {5015, "Invalid node address. The valid node address is 12 hexdecimal characters."},
    {5016, "Duplicate network and node address."},
    {5017, "The new password was not retyped correctly."},
    {5018, "The password length was shorter than global length limit."},
    {5019, "Invalid ARAS restrict zone name. Space is not a valid character."},
    {5020, "Duplicate ARAS restrict zone name."},
    {5021, "Invalid dialback telephone number."},
    {5022, "This is a long password, please ensure that the long password feature on all access servers is "
           "enabled"},
    {5030, "The changes could not be saved in the directory (error %ld). The object keeps its stored values."},
    {5031, "The changes could not be saved: they belong to another object than the one named for the save. "
           "Nothing was written."},
    {5032, "The restricted zone list could not be read from the directory (error %ld). The stored zones are kept "
           "as they are."},
    {6000, "Remote Access Ostrum Snapin"},
    {6001, "Remote Access - 2"},
    {6002, "Remote Access - 1"},
    {6003, "Remote Access"},
    {6004, "Use Global Default Dialback Mode"},
    {6005, "No Dialback Allowed"},
    {6006, "Force Dialback to a Specific Number"},
    {6007, "Allow User to Request Dialback to Any Number"},
    {6008, "Force Dialback to a Caller-Specific Number"},
    {6015, "Failed to extend the Remote Access KVR schema - %lx."},
    {6016, "RAXADM.HLP"},
};

std::string LoadText(HMODULE module, UINT id)
{
    char text[1024] = {};
    int length = LoadStringA(module, id, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

TEST(StringTable, LibraryHoldsEveryTextExactly)
{
    HMODULE library = LoadLibraryA("RAXADM95.DLL");
    ASSERT_NE(library, nullptr) << GetLastError();
    for (const ExpectedString &s : Strings)
        EXPECT_EQ(LoadText(library, s.id), s.text) << "string " << s.id;
    // Ids the snap-in does not use hold nothing.
    EXPECT_EQ(LoadText(library, 5007), "");
    EXPECT_EQ(LoadText(library, 6017), "");
    FreeLibrary(library);
}

TEST(SnapinLibrary, ExportsEveryProcedureByItsPlainNameAndNothingElse)
{
    HMODULE library = LoadLibraryA("RAXADM95.DLL");
    ASSERT_NE(library, nullptr) << GetLastError();
    const char *const names[] = {
        "IdPageDlg",           "InitSnapin",          "OtherParametersPageDlg", "ServiceParametersPageDlg",
        "ShutDown",            "SnapinCountryProc",   "SnapinLocalProc",        "SnapinRAXProc",
        "SnapinOProc",         "SnapinOuProc",        "SnapinUserProc",         "UserParametersPageDlg",
        "configAddSapDlgProc", "configAddSerDlgProc", "configAddZoneDlgProc",   "configPasswordDlgProc",
        "configSapDlgProc",    "configZoneDlgProc",
    };
    for (const char *name : names)
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
    // No decorated duplicates, and not the entry point.
    EXPECT_EQ(GetProcAddress(library, "InitSnapin@0"), nullptr);
    EXPECT_EQ(GetProcAddress(library, "SnapinUserProc@16"), nullptr);
    EXPECT_EQ(GetProcAddress(library, "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(library, "DllMain@12"), nullptr);

    // The export directory holds exactly these names.
    auto *base = reinterpret_cast<const BYTE *>(library);
    auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto *exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
    EXPECT_EQ(exports->NumberOfNames, std::size(names));
    FreeLibrary(library);
}

} // namespace
