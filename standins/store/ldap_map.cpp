#include "ldap_map.h"

#include <charconv>
#include <cstdio>

#include "base64.h"
#include "store_text.h"

namespace dirstore::ldap {

namespace {

// Our own arc: 2.25 followed by the decimal value of a UUID made once for it.
constexpr std::string_view kArc = "2.25.80642108135273820077733820468764317663";

struct StandardName {
    std::string_view dir;
    std::string_view ldap;
    bool isClass;
};

// The only compiled-in names. The first entry of a directory name is the one it
// maps to; later entries are LDAP aliases read back to the same name.
constexpr StandardName kStandard[] = {
    {"Top", "top", true},
    {"user", "inetOrgPerson", true},
    {"organizational unit", "organizationalUnit", true},
    {"organization", "organization", true},
    {"locality", "locality", true},
    {"country", "country", true},
    {"CN", "cn", false},
    {"Surname", "sn", false},
    {"O", "o", false},
    {"OU", "ou", false},
    {"L", "l", false},
    {"C", "c", false},
    {"Description", "description", false},
    {"CN", "commonName", false},
    {"Surname", "surname", false},
    {"O", "organizationName", false},
    {"OU", "organizationalUnitName", false},
    {"L", "localityName", false},
    {"C", "countryName", false},
};

constexpr std::string_view kAuxPrefix = "rax-";
constexpr std::string_view kAuxDescPrefix = "extension of ";

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Lowered(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = Lower(c);
    return out;
}

const StandardName *FindStandardByDir(std::string_view dir)
{
    for (const auto &entry : kStandard)
        if (NamesEqual(entry.dir, dir))
            return &entry;
    return nullptr;
}

const StandardName *FindStandardByLdap(std::string_view ldap)
{
    for (const auto &entry : kStandard)
        if (NamesEqual(entry.ldap, ldap))
            return &entry;
    return nullptr;
}

// An ASCII letter followed by letters, digits and single separators, not ending in one.
bool FitsRule(std::string_view name, char separator)
{
    if (name.empty() || name.size() > kMaxNameLength || !IsLetter(name.front()) || name.back() == separator)
        return false;
    for (size_t i = 1; i < name.size(); ++i) {
        char c = name[i];
        if (c == separator) {
            if (name[i - 1] == separator)
                return false;
        } else if (!IsLetter(c) && !IsDigit(c)) {
            return false;
        }
    }
    return true;
}

std::string Replaced(std::string_view text, char from, char to)
{
    std::string out(text);
    for (char &c : out)
        if (c == from)
            c = to;
    return out;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && NamesEqual(text.substr(0, prefix.size()), prefix);
}

uint32_t Crc32(std::string_view text)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : text) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string Hex(uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value));
    return buf;
}

bool ParseUnsigned(std::string_view text, uint32_t &value)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// --- names of objects -----------------------------------------------------

bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (Lower(c) - 'a' + 10); }

// An attribute type in a name: a letter, then letters, digits and hyphens.
bool IsNameType(std::string_view type)
{
    if (type.empty() || !IsLetter(type.front()))
        return false;
    for (char c : type)
        if (!IsLetter(c) && !IsDigit(c) && c != '-')
            return false;
    return true;
}

void AppendDnValue(std::string &dn, std::string_view value)
{
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        bool special = c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';' ||
                       c == '=' || (i == 0 && (c == '#' || c == ' ')) || (i + 1 == value.size() && c == ' ');
        if (c == '\0') {
            dn += "\\00";
            continue;
        }
        if (special)
            dn += '\\';
        dn += c;
    }
}

void AppendDirValue(std::string &name, std::string_view value)
{
    for (char c : value) {
        if (c == '.' || c == '\\')
            name += '\\';
        name += c;
    }
}

// --- description texts ----------------------------------------------------

std::string Quoted(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "\\27";
        else if (c == '\\')
            out += "\\5C";
        else
            out += c;
    }
    return out + "'";
}

std::string QuotedList(const std::vector<std::string> &items)
{
    if (items.size() == 1)
        return Quoted(items.front());
    std::string out = "(";
    for (const auto &item : items)
        out += " " + Quoted(item);
    return out + " )";
}

std::string OidList(const std::vector<std::string> &items)
{
    if (items.size() == 1)
        return items.front();
    std::string out = "(";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? " $ " : " ") + items[i];
    return out + " )";
}

bool MapNames(const std::vector<std::string> &dirNames, std::vector<std::string> &ldapNames)
{
    for (const auto &name : dirNames) {
        std::string ldapName;
        if (!ElementToLdap(name, ldapName))
            return false;
        ldapNames.push_back(std::move(ldapName));
    }
    return true;
}

void AddExtension(std::string &text, std::string_view name, const std::vector<std::string> &values)
{
    if (!values.empty())
        text += " " + std::string(name) + " " + QuotedList(values);
}

struct Token {
    enum Kind { Open, Close, Dollar, Word, Quoted, End, Bad } kind;
    std::string text;
};

class Tokens {
public:
    explicit Tokens(std::string_view text) : text_(text) {}

    Token Next()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n'))
            ++pos_;
        if (pos_ == text_.size())
            return {Token::End, {}};
        char c = text_[pos_];
        if (c == '(' || c == ')' || c == '$') {
            ++pos_;
            return {c == '(' ? Token::Open : c == ')' ? Token::Close : Token::Dollar, {}};
        }
        if (c == '\'')
            return QuotedText();
        size_t start = pos_;
        while (pos_ < text_.size() && std::string_view(" \t\n()$'").find(text_[pos_]) == std::string_view::npos)
            ++pos_;
        return {Token::Word, std::string(text_.substr(start, pos_ - start))};
    }

private:
    Token QuotedText()
    {
        std::string out;
        for (++pos_; pos_ < text_.size(); ++pos_) {
            char c = text_[pos_];
            if (c == '\'') {
                ++pos_;
                return {Token::Quoted, out};
            }
            if (c == '\\') {
                if (pos_ + 2 >= text_.size() || !IsHex(text_[pos_ + 1]) || !IsHex(text_[pos_ + 2]))
                    return {Token::Bad, {}};
                out += static_cast<char>(HexValue(text_[pos_ + 1]) * 16 + HexValue(text_[pos_ + 2]));
                pos_ += 2;
            } else {
                out += c;
            }
        }
        return {Token::Bad, {}};
    }

    std::string_view text_;
    size_t pos_ = 0;
};

struct Term {
    std::string keyword;
    std::vector<std::string> values;
};

// "( oid KEYWORD value KEYWORD ( v1 $ v2 ) FLAG ... )" into the oid and its terms.
// Keywords without a value are the flags RFC 4512 knows.
bool ParseDescription(std::string_view text, std::string &oid, std::vector<Term> &terms)
{
    // The configuration tree keeps its values ordered with a "{n}" prefix.
    if (!text.empty() && text.front() == '{') {
        size_t close = text.find('}');
        if (close == std::string_view::npos)
            return false;
        text.remove_prefix(close + 1);
    }
    static constexpr std::string_view kFlags[] = {"SINGLE-VALUE", "COLLECTIVE", "NO-USER-MODIFICATION",
                                                  "OBSOLETE", "STRUCTURAL", "AUXILIARY", "ABSTRACT"};
    Tokens tokens(text);
    if (tokens.Next().kind != Token::Open)
        return false;
    Token first = tokens.Next();
    if (first.kind != Token::Word)
        return false;
    oid = first.text;
    for (;;) {
        Token keyword = tokens.Next();
        if (keyword.kind == Token::Close)
            return tokens.Next().kind == Token::End;
        if (keyword.kind != Token::Word)
            return false;
        Term term{keyword.text, {}};
        bool flag = false;
        for (auto name : kFlags)
            flag = flag || keyword.text == name;
        if (!flag) {
            Token value = tokens.Next();
            if (value.kind == Token::Word || value.kind == Token::Quoted) {
                term.values.push_back(value.text);
            } else if (value.kind == Token::Open) {
                for (Token item = tokens.Next(); item.kind != Token::Close; item = tokens.Next()) {
                    if (item.kind == Token::Word || item.kind == Token::Quoted)
                        term.values.push_back(item.text);
                    else if (item.kind != Token::Dollar)
                        return false;
                }
            } else {
                return false;
            }
        }
        terms.push_back(std::move(term));
    }
}

std::string First(const std::vector<std::string> &values)
{
    return values.empty() ? std::string() : values.front();
}

void MapNamesBack(const std::vector<std::string> &ldapNames, std::vector<std::string> &dirNames)
{
    for (const auto &name : ldapNames) {
        std::string dirName;
        if (LdapToElement(name, dirName))
            dirNames.push_back(std::move(dirName));
    }
}

std::vector<std::string> ExtensionValues(const std::vector<Extension> &extensions, std::string_view name)
{
    const Extension *ext = FindExtension(extensions, name);
    return ext ? ext->values : std::vector<std::string>();
}

bool FlagsOf(const std::vector<Extension> &extensions, uint32_t &flags)
{
    const Extension *ext = FindExtension(extensions, "X-RAX-FLAGS");
    flags = 0;
    return !ext || (ext->values.size() == 1 && ParseUnsigned(ext->values.front(), flags));
}

// --- LDIF -----------------------------------------------------------------

bool IsSafeLdif(std::string_view value)
{
    if (value.empty())
        return true;
    char first = value.front();
    if (first == ' ' || first == ':' || first == '<' || value.back() == ' ')
        return false;
    for (char c : value) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u == 0 || u == '\n' || u == '\r' || u > 0x7E)
            return false;
    }
    return true;
}

void PutLdifLine(std::string &out, std::string_view key, std::string_view value)
{
    std::string line(key);
    if (IsSafeLdif(value)) {
        line += ": ";
        line += value;
    } else {
        line += ":: ";
        line += Base64Encode(reinterpret_cast<const uint8_t *>(value.data()), value.size());
    }
    constexpr size_t kWidth = 76;
    out.append(line, 0, kWidth);
    for (size_t pos = kWidth; pos < line.size(); pos += kWidth - 1) {
        out += "\n ";
        out.append(line, pos, kWidth - 1);
    }
    out += '\n';
}

}  // namespace

// --- object names ---------------------------------------------------------

bool DirNameToDn(std::string_view name, std::string &dn)
{
    if (!IsValidName(name))
        return false;
    if (!name.empty() && name.front() == '.')
        name.remove_prefix(1);
    std::string out;
    size_t pos = 0;
    while (pos <= name.size()) {
        size_t eq = name.find('=', pos);
        if (eq == std::string_view::npos)
            return false;
        std::string_view type = name.substr(pos, eq - pos);
        if (!IsNameType(type))
            return false;
        std::string value;
        size_t i = eq + 1;
        for (; i < name.size() && name[i] != '.'; ++i) {
            if (name[i] == '\\') {
                if (++i == name.size())
                    return false;
            }
            value += name[i];
        }
        if (value.empty())
            return false;
        if (!out.empty())
            out += ',';
        out += Lowered(type);
        out += '=';
        AppendDnValue(out, value);
        if (i == name.size())
            break;
        pos = i + 1;
    }
    if (out.size() > kMaxNameLength)
        return false;
    dn = std::move(out);
    return true;
}

bool DnToDirName(std::string_view dn, std::string &name)
{
    if (dn.size() > kMaxNameLength)
        return false;
    std::string out;
    size_t pos = 0;
    for (;;) {
        while (pos < dn.size() && dn[pos] == ' ')
            ++pos;
        size_t eq = dn.find('=', pos);
        if (eq == std::string_view::npos)
            return false;
        std::string_view type = dn.substr(pos, eq - pos);
        while (!type.empty() && type.back() == ' ')
            type.remove_suffix(1);
        if (!IsNameType(type))
            return false;
        size_t i = eq + 1;
        while (i < dn.size() && dn[i] == ' ')
            ++i;
        if (i < dn.size() && (dn[i] == '#' || dn[i] == '"'))
            return false;   // BER-encoded or quoted values are not names of ours
        std::string value;
        size_t trailingSpaces = 0;
        for (; i < dn.size() && dn[i] != ',' && dn[i] != ';'; ++i) {
            char c = dn[i];
            if (c == '+')
                return false;   // multi-valued component
            if (c == '\\') {
                if (i + 1 == dn.size())
                    return false;
                if (i + 2 < dn.size() && IsHex(dn[i + 1]) && IsHex(dn[i + 2])) {
                    value += static_cast<char>(HexValue(dn[i + 1]) * 16 + HexValue(dn[i + 2]));
                    i += 2;
                } else {
                    value += dn[++i];
                }
                trailingSpaces = 0;
                continue;
            }
            trailingSpaces = c == ' ' ? trailingSpaces + 1 : 0;
            value += c;
        }
        value.resize(value.size() - trailingSpaces);
        if (value.empty() || value.find('\0') != std::string::npos)
            return false;
        if (!out.empty())
            out += '.';
        for (char c : type)
            out += Upper(c);
        out += '=';
        AppendDirValue(out, value);
        if (i == dn.size())
            break;
        pos = i + 1;
    }
    if (!IsValidName(out))
        return false;
    name = std::move(out);
    return true;
}

// --- class and attribute names --------------------------------------------

bool ElementToLdap(std::string_view dirName, std::string &ldapName)
{
    if (const StandardName *entry = FindStandardByDir(dirName)) {
        ldapName = entry->ldap;
        return true;
    }
    if (!FitsRule(dirName, ' '))
        return false;
    std::string mapped = Replaced(dirName, ' ', '-');
    if (FindStandardByLdap(mapped) || StartsWithFolded(mapped, kAuxPrefix))
        return false;
    ldapName = std::move(mapped);
    return true;
}

bool LdapToElement(std::string_view ldapName, std::string &dirName)
{
    if (const StandardName *entry = FindStandardByLdap(ldapName)) {
        dirName = entry->dir;
        return true;
    }
    if (!FitsRule(ldapName, '-') || StartsWithFolded(ldapName, kAuxPrefix))
        return false;
    std::string mapped = Replaced(ldapName, '-', ' ');
    if (FindStandardByDir(mapped))
        return false;
    dirName = std::move(mapped);
    return true;
}

bool IsStandardClass(std::string_view dirName)
{
    const StandardName *entry = FindStandardByDir(dirName);
    return entry && entry->isClass;
}

bool IsStandardAttribute(std::string_view dirName)
{
    const StandardName *entry = FindStandardByDir(dirName);
    return entry && !entry->isClass;
}

std::string AuxiliaryClassName(std::string_view dirClassName)
{
    if (!FitsRule(dirClassName, ' '))
        return {};
    return std::string(kAuxPrefix) + Lowered(Replaced(dirClassName, ' ', '-'));
}

std::string ElementOid(char kind, std::string_view dirName)
{
    const char *branch = kind == 'a' ? ".1." : kind == 'c' ? ".2." : kind == 'x' ? ".3." : nullptr;
    if (!branch)
        return {};
    return std::string(kArc) + branch + std::to_string(Crc32(Lowered(dirName)));
}

bool IsOwnOid(std::string_view oid)
{
    return oid.size() > kArc.size() && oid.substr(0, kArc.size()) == kArc && oid[kArc.size()] == '.';
}

// --- syntaxes and values --------------------------------------------------

std::string_view LdapSyntaxOf(uint32_t syntax)
{
    switch (syntax) {
    case kSyntaxInteger: return "1.3.6.1.4.1.1466.115.121.1.27";
    case kSyntaxOctetString: return "1.3.6.1.4.1.1466.115.121.1.40";
    case kSyntaxTelephoneNumber: return "1.3.6.1.4.1.1466.115.121.1.50";
    default: return "1.3.6.1.4.1.1466.115.121.1.15";
    }
}

uint32_t SyntaxOfLdap(std::string_view syntaxOid)
{
    if (syntaxOid == "1.3.6.1.4.1.1466.115.121.1.27")
        return kSyntaxInteger;
    if (syntaxOid == "1.3.6.1.4.1.1466.115.121.1.40" || syntaxOid == "1.3.6.1.4.1.1466.115.121.1.5")
        return kSyntaxOctetString;
    if (syntaxOid == "1.3.6.1.4.1.1466.115.121.1.50")
        return kSyntaxTelephoneNumber;
    return kSyntaxCaseIgnoreString;
}

namespace {

std::string_view EqualityOf(uint32_t syntax)
{
    switch (syntax) {
    case kSyntaxInteger: return "integerMatch";
    case kSyntaxOctetString: return "octetStringMatch";
    case kSyntaxTelephoneNumber: return "telephoneNumberMatch";
    default: return "caseIgnoreMatch";
    }
}

}  // namespace

std::string LdapValue(uint32_t syntax, const Bytes &value)
{
    if (syntax == kSyntaxInteger && value.size() == 4)
        return std::to_string(IntegerOf(value));
    return std::string(value.begin(), value.end());
}

bool DirValue(uint32_t syntax, std::string_view ldapValue, Bytes &value)
{
    if (syntax == kSyntaxInteger) {
        int32_t number = 0;
        auto [end, ec] = std::from_chars(ldapValue.data(), ldapValue.data() + ldapValue.size(), number);
        if (ldapValue.empty() || ec != std::errc() || end != ldapValue.data() + ldapValue.size())
            return false;
        value = IntegerBytes(number);
        return true;
    }
    if (ldapValue.size() > kMaxValueSize || (IsTextSyntax(syntax) && ldapValue.find('\0') != std::string::npos))
        return false;
    value.assign(ldapValue.begin(), ldapValue.end());
    return true;
}

// --- schema description texts ---------------------------------------------

std::string AttributeTypeText(const AttributeDef &def)
{
    std::string ldapName;
    if (!ElementToLdap(def.name, ldapName))
        return {};
    std::string text = "( " + ElementOid('a', def.name) + " NAME '" + ldapName + "' DESC " + Quoted(def.name) +
                       " EQUALITY " + std::string(EqualityOf(def.syntax)) + " SYNTAX " +
                       std::string(LdapSyntaxOf(def.syntax));
    if (def.flags & kAttrSingleValued)
        text += " SINGLE-VALUE";
    bool ownSyntax = def.syntax == kSyntaxInteger || def.syntax == kSyntaxOctetString ||
                     def.syntax == kSyntaxTelephoneNumber || def.syntax == kSyntaxCaseIgnoreString;
    if (!ownSyntax)
        text += " X-RAX-SYNTAX '" + std::to_string(def.syntax) + "'";
    return text + " X-RAX-FLAGS '" + Hex(def.flags) + "' )";
}

std::string ObjectClassText(const ClassDef &def)
{
    std::vector<std::string> must, may;
    std::string text;
    if (IsStandardClass(def.name)) {
        // The server defines the class; what we add to it is an auxiliary class's MAY.
        std::vector<std::string> ownOptional, standardOptional;
        for (const auto &name : def.lists[kOptional])
            (IsStandardAttribute(name) ? standardOptional : ownOptional).push_back(name);
        std::string auxName = AuxiliaryClassName(def.name);
        if (auxName.empty() || !MapNames(ownOptional, may))
            return {};
        text = "( " + ElementOid('x', def.name) + " NAME '" + auxName + "' DESC " +
               Quoted(std::string(kAuxDescPrefix) + def.name) + " AUXILIARY";
        if (!may.empty())
            text += " MAY " + OidList(may);
        AddExtension(text, "X-RAX-SUP", def.lists[kSuperClasses]);
        AddExtension(text, "X-RAX-CONTAINMENT", def.lists[kContainment]);
        AddExtension(text, "X-RAX-NAMING", def.lists[kNaming]);
        AddExtension(text, "X-RAX-MUST", def.lists[kMandatory]);
        AddExtension(text, "X-RAX-MAY", standardOptional);
    } else {
        std::string ldapName;
        std::vector<std::string> sup;
        if (!ElementToLdap(def.name, ldapName) || !MapNames(def.lists[kSuperClasses], sup) ||
            !MapNames(def.lists[kMandatory], must) || !MapNames(def.lists[kOptional], may))
            return {};
        if (sup.empty())
            sup.push_back("top");
        text = "( " + ElementOid('c', def.name) + " NAME '" + ldapName + "' DESC " + Quoted(def.name) + " SUP " +
               OidList(sup) + " STRUCTURAL";
        if (!must.empty())
            text += " MUST " + OidList(must);
        if (!may.empty())
            text += " MAY " + OidList(may);
        AddExtension(text, "X-RAX-CONTAINMENT", def.lists[kContainment]);
        AddExtension(text, "X-RAX-NAMING", def.lists[kNaming]);
    }
    return text + " X-RAX-FLAGS '" + Hex(def.flags) + "' )";
}

bool ParseAttributeTypeText(std::string_view text, AttributeTypeDesc &desc)
{
    AttributeTypeDesc out;
    std::vector<Term> terms;
    if (!ParseDescription(text, out.oid, terms))
        return false;
    for (auto &term : terms) {
        const std::string &k = term.keyword;
        if (k == "NAME")
            out.names = term.values;
        else if (k == "DESC")
            out.desc = First(term.values);
        else if (k == "SUP")
            out.sup = First(term.values);
        else if (k == "EQUALITY")
            out.equality = First(term.values);
        else if (k == "SYNTAX")
            out.syntax = First(term.values).substr(0, First(term.values).find('{'));
        else if (k == "SINGLE-VALUE")
            out.singleValue = true;
        else if (k.substr(0, 2) == "X-")
            out.extensions.push_back({k, std::move(term.values)});
    }
    desc = std::move(out);
    return true;
}

bool ParseObjectClassText(std::string_view text, ObjectClassDesc &desc)
{
    ObjectClassDesc out;
    std::vector<Term> terms;
    if (!ParseDescription(text, out.oid, terms))
        return false;
    for (auto &term : terms) {
        const std::string &k = term.keyword;
        if (k == "NAME")
            out.names = term.values;
        else if (k == "DESC")
            out.desc = First(term.values);
        else if (k == "SUP")
            out.sup = term.values;
        else if (k == "MUST")
            out.must = term.values;
        else if (k == "MAY")
            out.may = term.values;
        else if (k == "AUXILIARY")
            out.kind = ClassKind::Auxiliary;
        else if (k == "ABSTRACT")
            out.kind = ClassKind::Abstract;
        else if (k.substr(0, 2) == "X-")
            out.extensions.push_back({k, std::move(term.values)});
    }
    desc = std::move(out);
    return true;
}

const Extension *FindExtension(const std::vector<Extension> &extensions, std::string_view name)
{
    for (const auto &ext : extensions)
        if (NamesEqual(ext.name, name))
            return &ext;
    return nullptr;
}

bool AttributeDefOf(const AttributeTypeDesc &desc, AttributeDef &def)
{
    AttributeDef out;
    bool own = IsOwnOid(desc.oid) && IsValidName(desc.desc);
    if (own)
        out.name = desc.desc;
    else if (desc.names.empty() || !LdapToElement(desc.names.front(), out.name))
        return false;
    out.syntax = SyntaxOfLdap(desc.syntax);
    std::vector<std::string> syntax = ExtensionValues(desc.extensions, "X-RAX-SYNTAX");
    if (syntax.size() == 1 && !ParseUnsigned(syntax.front(), out.syntax))
        return false;
    if (!FlagsOf(desc.extensions, out.flags))
        return false;
    if (!own && desc.singleValue)
        out.flags |= kAttrSingleValued;
    def = std::move(out);
    return true;
}

bool ExtendedClassOf(const ObjectClassDesc &desc, std::string &dirClassName)
{
    if (!IsOwnOid(desc.oid) || desc.kind != ClassKind::Auxiliary || !StartsWithFolded(desc.desc, kAuxDescPrefix))
        return false;
    std::string name = desc.desc.substr(kAuxDescPrefix.size());
    if (!IsValidName(name))
        return false;
    dirClassName = std::move(name);
    return true;
}

bool ClassDefOf(const ObjectClassDesc &desc, ClassDef &def)
{
    ClassDef out;
    if (ExtendedClassOf(desc, out.name)) {
        out.lists[kSuperClasses] = ExtensionValues(desc.extensions, "X-RAX-SUP");
        out.lists[kMandatory] = ExtensionValues(desc.extensions, "X-RAX-MUST");
        out.lists[kOptional] = ExtensionValues(desc.extensions, "X-RAX-MAY");
    } else {
        bool own = IsOwnOid(desc.oid) && IsValidName(desc.desc);
        if (own)
            out.name = desc.desc;
        else if (desc.names.empty() || !LdapToElement(desc.names.front(), out.name))
            return false;
        MapNamesBack(desc.sup, out.lists[kSuperClasses]);
        MapNamesBack(desc.must, out.lists[kMandatory]);
    }
    out.lists[kContainment] = ExtensionValues(desc.extensions, "X-RAX-CONTAINMENT");
    out.lists[kNaming] = ExtensionValues(desc.extensions, "X-RAX-NAMING");
    MapNamesBack(desc.may, out.lists[kOptional]);
    if (!FlagsOf(desc.extensions, out.flags))
        return false;
    def = std::move(out);
    return true;
}

// --- LDIF -------------------------------------------------------------------

std::string LdifText(const LdifRecord &record)
{
    std::string out;
    PutLdifLine(out, "dn", record.dn);
    for (const auto &[attribute, value] : record.values)
        PutLdifLine(out, attribute, value);
    out += '\n';
    return out;
}

bool ParseLdif(std::string_view text, std::vector<LdifRecord> &records, size_t &line, std::string &message)
{
    std::vector<LdifRecord> out;
    // Logical lines (folded lines joined) with the number of their first physical line.
    std::vector<std::pair<size_t, std::string>> logical;
    bool inComment = false;
    size_t number = 0;
    auto fail = [&](size_t at, std::string why) {
        line = at;
        message = std::move(why);
        return false;
    };
    auto flush = [&]() -> bool {
        if (logical.empty())
            return true;
        size_t start = 0;
        if (logical.front().second.substr(0, 8) == "version:")
            start = 1;
        if (start < logical.size() && logical[start].second.substr(0, 7) == "search:")
            start = logical.size();   // the result summary ldapsearch prints
        LdifRecord record;
        for (size_t i = start; i < logical.size(); ++i) {
            const auto &[at, raw] = logical[i];
            size_t colon = raw.find(':');
            if (colon == std::string::npos || colon == 0)
                return fail(at, "expected \"attribute: value\"");
            std::string key = raw.substr(0, colon);
            std::string_view rest = std::string_view(raw).substr(colon + 1);
            std::string value;
            if (!rest.empty() && rest.front() == '<')
                return fail(at, "values given by URL are not read");
            bool base64 = !rest.empty() && rest.front() == ':';
            if (base64)
                rest.remove_prefix(1);
            while (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
            if (base64) {
                auto bytes = Base64Decode(rest);
                if (!bytes)
                    return fail(at, "bad base64 value");
                value.assign(bytes->begin(), bytes->end());
            } else {
                value = std::string(rest);
            }
            if (i == start) {
                if (key != "dn")
                    return fail(at, "a record must begin with \"dn:\"");
                record.dn = std::move(value);
            } else if (key == "changetype") {
                return fail(at, "change records are not read");
            } else {
                record.values.emplace_back(std::move(key), std::move(value));
            }
        }
        if (start < logical.size())
            out.push_back(std::move(record));
        logical.clear();
        return true;
    };
    while (!text.empty()) {
        std::string_view raw = TakeLine(text);
        ++number;
        if (!raw.empty() && raw.front() == ' ') {
            if (inComment)
                continue;
            if (logical.empty())
                return fail(number, "a continued line with nothing before it");
            logical.back().second.append(raw.substr(1));
            continue;
        }
        inComment = !raw.empty() && raw.front() == '#';
        if (inComment)
            continue;
        if (raw.empty()) {
            if (!flush())
                return false;
            continue;
        }
        logical.emplace_back(number, std::string(raw));
    }
    if (!flush())
        return false;
    records = std::move(out);
    return true;
}

}  // namespace dirstore::ldap
