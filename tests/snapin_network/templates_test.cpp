// The templates of the network pages and the list editors as the resources
// hold them: size, frame, and every control in tab order with its id, kind
// and styles.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18, "the packed template records");

constexpr WORD Group = 0xFFFF;   // id of the labels, group boxes and lines
enum Kind : WORD { Button = 0x80, Edit = 0x81, Static = 0x82, ListBox = 0x83 };

struct Control {
    WORD id;
    WORD kind;   // 0 when the class is named by text
    DWORD style;
    RECT box;    // dialog units
};

struct Template {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption;
    std::vector<Control> controls;
};

// A name or an ordinal (0xFFFF, then the ordinal) of a template; `end` bounds the walk.
const WORD *SkipNameOrOrdinal(const WORD *p, const WORD *end, WORD *ordinal = nullptr, std::string *text = nullptr)
{
    if (p >= end)
        return end;
    if (*p == 0xFFFF) {
        if (ordinal && p + 1 < end)
            *ordinal = p[1];
        return p + 2;
    }
    for (; p < end && *p; ++p)
        if (text)
            text->push_back(static_cast<char>(*p));
    return p + 1;
}

// Reads a DIALOG resource of this program (the test carries the snap-in's templates).
bool ReadTemplate(const char *name, Template &out)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, name, MAKEINTRESOURCEA(5));   // RT_DIALOG
    if (!resource)
        return false;
    auto *base = static_cast<const BYTE *>(LockResource(LoadResource(module, resource)));
    DWORD size = SizeofResource(module, resource);
    if (!base || size < sizeof(DLGTEMPLATE))
        return false;
    const auto *end = reinterpret_cast<const WORD *>(base + size);
    const auto *head = reinterpret_cast<const DLGTEMPLATE *>(base);
    out.style = head->style;
    out.cx = head->cx;
    out.cy = head->cy;
    const auto *p = reinterpret_cast<const WORD *>(base + sizeof(DLGTEMPLATE));
    p = SkipNameOrOrdinal(p, end);                            // menu
    p = SkipNameOrOrdinal(p, end);                            // class
    p = SkipNameOrOrdinal(p, end, nullptr, &out.caption);     // caption
    if (head->style & DS_SETFONT)
        p = SkipNameOrOrdinal(p + 1, end);                    // point size, face
    for (WORD i = 0; i < head->cdit; ++i) {
        std::size_t offset = (reinterpret_cast<const BYTE *>(p) - base + 3) & ~std::size_t{3};
        if (offset + sizeof(DLGITEMTEMPLATE) > size)
            return false;
        const auto *item = reinterpret_cast<const DLGITEMTEMPLATE *>(base + offset);
        Control control{item->id, 0, item->style,
                        {item->x, item->y, item->x + item->cx, item->y + item->cy}};
        p = reinterpret_cast<const WORD *>(base + offset + sizeof(DLGITEMTEMPLATE));
        p = SkipNameOrOrdinal(p, end, &control.kind);         // class
        p = SkipNameOrOrdinal(p, end);                        // text
        if (p >= end)
            return false;
        p = reinterpret_cast<const WORD *>(reinterpret_cast<const BYTE *>(p + 1) + *p);   // creation data
        out.controls.push_back(control);
    }
    return reinterpret_cast<const BYTE *>(p) <= base + size;
}

struct Expected {
    const char *name;
    bool page;              // a child page (else a modal dialog with this caption)
    const char *caption;
    short cx, cy;           // 0: the layout's own choice
    std::vector<WORD> ids;  // in tab order
};

void PrintTo(const Expected &e, std::ostream *os) { *os << e.name; }

class DialogTemplate : public ::testing::TestWithParam<Expected> {};

TEST_P(DialogTemplate, HoldsItsControlsInTabOrderWithTheirStylesInsideItsSize)
{
    const Expected &e = GetParam();
    Template t;
    ASSERT_TRUE(ReadTemplate(e.name, t));
    if (e.cx) {
        EXPECT_EQ(t.cx, e.cx);
        EXPECT_EQ(t.cy, e.cy);
    }
    if (e.page) {
        EXPECT_EQ(t.style & (WS_CHILD | WS_CAPTION | DS_CONTROL), DWORD{WS_CHILD | DS_CONTROL});
    } else {
        EXPECT_EQ(t.style & (WS_POPUP | WS_CAPTION), DWORD{WS_POPUP | WS_CAPTION});
        EXPECT_EQ(t.caption, e.caption);
    }
    std::vector<WORD> ids;
    for (const Control &c : t.controls) {
        ids.push_back(c.id);
        EXPECT_LE(c.box.right, t.cx) << c.id;
        EXPECT_LE(c.box.bottom, t.cy) << c.id;
        DWORD type = c.style & 0xF;
        switch (c.id) {
        case 1080: case 1082:   // the pages' lists
            EXPECT_EQ(c.kind, ListBox);
            EXPECT_EQ(c.style & (LBS_SORT | LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL),
                      DWORD{LBS_SORT | LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT}) << c.id;
            break;
        case 1072: case 1079: case 1030:   // the editors' working lists
            EXPECT_EQ(c.kind, ListBox);
            EXPECT_EQ(c.style & (LBS_SORT | LBS_NOTIFY | LBS_EXTENDEDSEL),
                      DWORD{LBS_SORT | LBS_NOTIFY | LBS_EXTENDEDSEL}) << c.id;
            break;
        case 1033: case 1034: case 1077: case 1078:   // hexadecimal fields
            EXPECT_EQ(c.kind, Edit);
            EXPECT_EQ(c.style & (ES_UPPERCASE | ES_AUTOHSCROLL), DWORD{ES_UPPERCASE | ES_AUTOHSCROLL}) << c.id;
            break;
        case 1038: case 1039: case 1041: case 1042: case 1087: case 1089:
            EXPECT_EQ(c.kind, Edit);
            EXPECT_EQ(c.style & (ES_UPPERCASE | ES_LOWERCASE | ES_NUMBER | ES_AUTOHSCROLL), DWORD{ES_AUTOHSCROLL})
                << c.id;
            break;
        case 1032: case 1037: case 1040: case 1088:
            EXPECT_EQ(type, DWORD{BS_AUTOCHECKBOX}) << c.id;
            break;
        case 1070: case 1071:
            EXPECT_EQ(type, DWORD{BS_AUTORADIOBUTTON}) << c.id;
            break;
        case IDOK:
            EXPECT_EQ(type, DWORD{BS_DEFPUSHBUTTON});
            break;
        default:
            break;
        }
    }
    EXPECT_EQ(ids, e.ids);
}

const WORD G = Group;
INSTANTIATE_TEST_SUITE_P(
    NetworkPagesAndListEditors, DialogTemplate,
    ::testing::Values(
        Expected{"SERVICEPARAMETERS", true, "", 211, 216,
                 {G, G, 1082, 1031, G, G, 1032, 1060, 1033, 1061, 1034, G, 1080, 1081,
                  G, 1037, 1062, 1038, 1063, 1039, 1040, 1064, 1041, 1065, 1042}},
        Expected{"OTHERPARAMETERS", true, "", 211, 216,
                 {G, 1088, 1089, 1090, G, G, 1032, 1060, 1033, 1061, 1034, G, 1080, 1081,
                  G, 1037, 1062, 1038, 1063, 1039, 1040, 1064, 1041, 1065, 1042}},
        Expected{"CONFIGHOMESERVER", false, "Edit Home Server List", 0, 0,
                 {G, 1070, 1071, G, 1072, 1069, 1068, G, IDOK, IDCANCEL, 9}},
        Expected{"CONFIGADDSERVER", false, "Add Home Server", 0, 0, {1079, IDOK, IDCANCEL}},
        Expected{"CONFIGADDSAP", false, "Add Home Server SAP", 0, 0, {G, 1078, G, 1077, IDOK, IDCANCEL}},
        Expected{"CONFIGZONELIST", false, "Edit User Restrict Zone List", 0, 0,
                 {G, 1030, 1085, 1086, G, IDOK, IDCANCEL, 9}},
        Expected{"CONFIGADDZONE", false, "Add Restrict Zone Name", 0, 0, {G, 1087, IDOK, IDCANCEL}}),
    [](const ::testing::TestParamInfo<Expected> &info) { return std::string(info.param.name); });

} // namespace
