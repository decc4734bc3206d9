#include "store_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

#include "base64.h"

namespace dirstore {

namespace {

constexpr std::string_view kClassListKeys[kClassListCount] = {"superclass", "containment", "naming", "mandatory",
                                                              "optional"};

// One "key: value" line; the key and a plain value are views of the text.
struct Line {
    size_t number = 0;
    std::string_view key;
    std::string_view plain;
    std::string decoded;   // the value of a "key:: base64" line
    bool base64 = false;

    std::string_view Value() const { return base64 ? std::string_view(decoded) : plain; }
};

// --- printing -------------------------------------------------------------

bool IsSafeText(const uint8_t *data, size_t size)
{
    if (size == 0)
        return true;
    if (data[0] == ' ' || data[0] == ':' || data[0] == '<' || data[size - 1] == ' ')
        return false;
    for (size_t i = 0; i < size; ++i)
        if (data[i] < 0x20 || data[i] > 0x7E)
            return false;
    return true;
}

void PutLine(std::string &out, std::string_view key, const uint8_t *data, size_t size)
{
    out += key;
    if (IsSafeText(data, size)) {
        out += ": ";
        out.append(reinterpret_cast<const char *>(data), size);
    } else {
        out += ":: ";
        out += Base64Encode(data, size);
    }
    out += '\n';
}

void PutLine(std::string &out, std::string_view key, std::string_view text)
{
    PutLine(out, key, reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

// Room for one line whose value is `size` bytes: the longest key, ":: ", the
// value as base64 (its longest form) and the line end.
size_t LineRoom(size_t size) { return 20 + (size + 2) / 3 * 4; }

// At least the length of the store's text, so it is printed without being moved.
size_t TextRoom(const Store &store)
{
    size_t room = 256 + LineRoom(store.identity.size());
    for (const auto &def : store.attributeDefs)
        room += 1 + LineRoom(def.name.size()) + 2 * LineRoom(16);
    for (const auto &def : store.classDefs) {
        room += 1 + 2 * LineRoom(def.name.size());
        for (const auto &list : def.lists)
            for (const auto &name : list)
                room += LineRoom(name.size());
    }
    for (const auto &object : store.objects) {
        room += 1 + LineRoom(object.name.size()) + LineRoom(object.className.size());
        for (const auto &attr : object.attributes) {
            room += LineRoom(attr.name.size());
            for (const auto &value : attr.values)
                room += LineRoom(std::max<size_t>(value.size(), 12));   // an integer prints up to 11 characters
        }
    }
    for (const auto &grant : store.grants)
        room += 2 * LineRoom(grant.subject.size() + grant.object.size() + 12);
    return room;
}

std::string Hex(uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value));
    return buf;
}

std::string SyntaxKey(uint32_t syntax)
{
    switch (syntax) {
    case kSyntaxInteger: return "integer";
    case kSyntaxOctetString: return "octets";
    case kSyntaxTelephoneNumber: return "telephone";
    default: return "syntax-" + std::to_string(syntax);
    }
}

// --- parsing --------------------------------------------------------------

std::optional<uint32_t> SyntaxOfKey(std::string_view key)
{
    if (key == "integer")
        return kSyntaxInteger;
    if (key == "octets")
        return kSyntaxOctetString;
    if (key == "telephone")
        return kSyntaxTelephoneNumber;
    if (key.substr(0, 7) == "syntax-") {
        std::string_view digits = key.substr(7);
        uint32_t value = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec == std::errc() && end == digits.data() + digits.size() && !digits.empty())
            return value;
    }
    return std::nullopt;
}

// Numbers may carry blanks after them (hand-edited files); names may not lose theirs.
std::string_view TrimEnd(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<uint32_t> ParseUnsigned(std::string_view text)
{
    text = TrimEnd(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text = text.substr(2);
        base = 16;
    }
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int32_t> ParseInteger(std::string_view text)
{
    text = TrimEnd(text);
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

class Parser {
public:
    Parser(Store &store, ParseError &error) : store_(store), error_(error) {}

    bool Run(std::string_view text)
    {
        if (text.size() > kMaxStoreText)
            return Fail(0, "the store file is larger than 64 MiB");
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);   // a byte-order mark left by an editor
        std::vector<Line> record;
        size_t number = 0;
        bool first = true;
        while (!text.empty()) {
            std::string_view raw = TakeLine(text);
            ++number;
            if (!raw.empty() && raw.front() == '#')
                continue;
            if (raw.empty()) {
                if (!record.empty() && !Record(record, first))
                    return false;
                if (!record.empty())
                    first = false;
                record.clear();
                continue;
            }
            Line line;
            if (!Split(raw, number, line))
                return false;
            record.push_back(std::move(line));
        }
        if (!record.empty() && !Record(record, first))
            return false;
        if (first && record.empty())
            return Fail(0, "the store file is empty (it must begin with \"version: 1\")");
        return true;
    }

private:
    bool Fail(size_t line, std::string message)
    {
        error_.line = line;
        error_.message = std::move(message);
        return false;
    }

    bool Split(std::string_view raw, size_t number, Line &line)
    {
        size_t colon = raw.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return Fail(number, "expected \"key: value\"");
        line.number = number;
        line.key = raw.substr(0, colon);
        std::string_view rest = raw.substr(colon + 1);
        line.base64 = !rest.empty() && rest.front() == ':';
        if (line.base64)
            rest.remove_prefix(1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        if (line.base64) {
            auto bytes = Base64Decode(rest);
            if (!bytes)
                return Fail(number, "bad base64 value");
            line.decoded.assign(bytes->begin(), bytes->end());
        } else {
            line.plain = rest;
        }
        return true;
    }

    bool Name(const Line &line, std::string &out)
    {
        if (!IsValidName(line.Value()))
            return Fail(line.number, "\"" + std::string(line.key) + "\" needs a name of 1 to 255 printable characters");
        out = line.Value();
        return true;
    }

    bool Record(const std::vector<Line> &lines, bool first)
    {
        std::string_view kind = lines.front().key;
        if (first) {
            if (kind != "version")
                return Fail(lines.front().number, "the store file must begin with \"version: 1\"");
            return Header(lines);
        }
        if (kind == "attributetype")
            return AttributeType(lines);
        if (kind == "objectclass")
            return ObjectClass(lines);
        if (kind == "object")
            return ObjectRecord(lines);
        if (kind == "rights")
            return Rights(lines);
        return Fail(lines.front().number, "unknown record \"" + std::string(kind) + "\"");
    }

    bool Header(const std::vector<Line> &lines)
    {
        if (TrimEnd(lines.front().Value()) != "1")
            return Fail(lines.front().number, "unsupported store version \"" + std::string(lines.front().Value()) + "\"");
        for (size_t i = 1; i < lines.size(); ++i) {
            const Line &line = lines[i];
            if (line.key == "identity" && store_.identity.empty()) {
                if (!Name(line, store_.identity))
                    return false;
            } else {
                return Fail(line.number, "unexpected \"" + std::string(line.key) + "\" in the header");
            }
        }
        return true;
    }

    bool AttributeType(const std::vector<Line> &lines)
    {
        AttributeDef def;
        if (!Name(lines.front(), def.name))
            return false;
        if (FindAttributeDef(store_, def.name))
            return Fail(lines.front().number, "attribute \"" + def.name + "\" is defined twice");
        bool haveSyntax = false, haveFlags = false;
        for (size_t i = 1; i < lines.size(); ++i) {
            const Line &line = lines[i];
            if (line.key == "syntax" && !haveSyntax) {
                auto syntax = SyntaxOfKey(TrimEnd(line.Value()));
                if (!syntax)
                    syntax = ParseUnsigned(line.Value());
                if (!syntax)
                    return Fail(line.number, "bad syntax \"" + std::string(line.Value()) + "\"");
                def.syntax = *syntax;
                haveSyntax = true;
            } else if (line.key == "flags" && !haveFlags) {
                auto flags = ParseUnsigned(line.Value());
                if (!flags)
                    return Fail(line.number, "bad flags \"" + std::string(line.Value()) + "\"");
                def.flags = *flags;
                haveFlags = true;
            } else {
                return Fail(line.number, "unexpected \"" + std::string(line.key) + "\" in an attribute type");
            }
        }
        if (!haveSyntax)
            return Fail(lines.front().number, "attribute \"" + def.name + "\" has no syntax");
        store_.attributeDefs.push_back(std::move(def));
        return true;
    }

    bool ObjectClass(const std::vector<Line> &lines)
    {
        ClassDef def;
        if (!Name(lines.front(), def.name))
            return false;
        if (FindClassDef(store_, def.name))
            return Fail(lines.front().number, "class \"" + def.name + "\" is defined twice");
        bool haveFlags = false;
        for (size_t i = 1; i < lines.size(); ++i) {
            const Line &line = lines[i];
            if (line.key == "flags" && !haveFlags) {
                auto flags = ParseUnsigned(line.Value());
                if (!flags)
                    return Fail(line.number, "bad flags \"" + std::string(line.Value()) + "\"");
                def.flags = *flags;
                haveFlags = true;
                continue;
            }
            size_t list = 0;
            while (list < kClassListCount && kClassListKeys[list] != line.key)
                ++list;
            if (list == kClassListCount)
                return Fail(line.number, "unexpected \"" + std::string(line.key) + "\" in a class definition");
            std::string name;
            if (!Name(line, name))
                return false;
            def.lists[list].push_back(std::move(name));
        }
        store_.classDefs.push_back(std::move(def));
        return true;
    }

    bool ObjectRecord(const std::vector<Line> &lines)
    {
        Object object;
        if (!Name(lines.front(), object.name))
            return false;
        if (FindObject(store_, object.name))
            return Fail(lines.front().number, "object \"" + object.name + "\" appears twice");
        bool haveClass = false;
        Attribute *current = nullptr;
        size_t currentLine = 0;
        auto finish = [&]() {
            if (current && current->values.empty())
                return Fail(currentLine, "attribute \"" + current->name + "\" has no value");
            return true;
        };
        for (size_t i = 1; i < lines.size(); ++i) {
            const Line &line = lines[i];
            if (line.key == "class" && !haveClass) {
                if (!Name(line, object.className))
                    return false;
                haveClass = true;
            } else if (line.key == "attribute") {
                if (!finish())
                    return false;
                std::string name;
                if (!Name(line, name))
                    return false;
                if (FindAttribute(object, name))
                    return Fail(line.number, "attribute \"" + name + "\" appears twice in the object");
                object.attributes.push_back(Attribute{std::move(name), 0, {}});
                current = &object.attributes.back();
                currentLine = line.number;
            } else if (auto syntax = SyntaxOfKey(line.key)) {
                if (!current)
                    return Fail(line.number, "a value needs an \"attribute\" line before it");
                if (!current->values.empty() && current->syntax != *syntax)
                    return Fail(line.number, "the values of \"" + current->name + "\" differ in syntax");
                current->syntax = *syntax;
                Bytes value;
                if (!Value(line, *syntax, value))
                    return false;
                for (const auto &existing : current->values)
                    if (existing == value)
                        return Fail(line.number, "a value of \"" + current->name + "\" appears twice");
                current->values.push_back(std::move(value));
            } else {
                return Fail(line.number, "unexpected \"" + std::string(line.key) + "\" in an object");
            }
        }
        if (!finish())
            return false;
        if (!haveClass)
            return Fail(lines.front().number, "object \"" + object.name + "\" has no class");
        store_.objects.push_back(std::move(object));
        return true;
    }

    bool Value(const Line &line, uint32_t syntax, Bytes &out)
    {
        if (syntax == kSyntaxInteger) {
            auto value = line.base64 ? std::nullopt : ParseInteger(line.Value());
            if (!value)
                return Fail(line.number, "an integer value must be a decimal 32-bit number");
            out = IntegerBytes(*value);
            return true;
        }
        if (line.Value().size() > kMaxValueSize)
            return Fail(line.number, "a value is longer than 65536 bytes");
        if (IsTextSyntax(syntax) && line.Value().find('\0') != std::string::npos)
            return Fail(line.number, "a text value holds a NUL");
        out.assign(line.Value().begin(), line.Value().end());
        return true;
    }

    bool Rights(const std::vector<Line> &lines)
    {
        std::string subject;
        if (!Name(lines.front(), subject))
            return false;
        for (size_t i = 1; i < lines.size(); ++i) {
            const Line &line = lines[i];
            if (line.key != "grant")
                return Fail(line.number, "unexpected \"" + std::string(line.key) + "\" in rights");
            size_t space = line.Value().find(' ');
            auto mask = space == std::string::npos ? std::nullopt : ParseUnsigned(line.Value().substr(0, space));
            std::string object = space == std::string::npos ? std::string() : std::string(line.Value().substr(space + 1));
            if (!mask || !IsValidName(object))
                return Fail(line.number, "a grant is \"grant: <rights mask> <object name>\"");
            if (FindGrant(store_, subject, object))
                return Fail(line.number, "rights on \"" + object + "\" are granted twice");
            if (*mask != 0)
                store_.grants.push_back(Grant{subject, std::move(object), *mask});
        }
        return true;
    }

    Store &store_;
    ParseError &error_;
};

}  // namespace

std::string_view TakeLine(std::string_view &text)
{
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool ParseStoreText(std::string_view text, Store &store, ParseError &error)
{
    Store parsed;
    Parser parser(parsed, error);
    if (!parser.Run(text))
        return false;
    store = std::move(parsed);
    return true;
}

std::string PrintStoreText(const Store &store)
{
    std::string out;
    out.reserve(TextRoom(store));
    out = "# Directory store of the directory client stand-in (see docs/directory-standin.md).\n";
    out += "version: 1\n";
    if (!store.identity.empty())
        PutLine(out, "identity", store.identity);

    for (const auto &def : store.attributeDefs) {
        out += '\n';
        PutLine(out, "attributetype", def.name);
        out += "syntax: " + SyntaxKey(def.syntax) + "\n";
        out += "flags: " + Hex(def.flags) + "\n";
    }
    for (const auto &def : store.classDefs) {
        out += '\n';
        PutLine(out, "objectclass", def.name);
        if (def.flags != 0)
            out += "flags: " + Hex(def.flags) + "\n";
        for (size_t list = 0; list < kClassListCount; ++list)
            for (const auto &name : def.lists[list])
                PutLine(out, kClassListKeys[list], name);
    }
    for (const auto &object : store.objects) {
        out += '\n';
        PutLine(out, "object", object.name);
        PutLine(out, "class", object.className);
        for (const auto &attr : object.attributes) {
            if (attr.values.empty())
                continue;
            PutLine(out, "attribute", attr.name);
            std::string key = SyntaxKey(attr.syntax);
            for (const auto &value : attr.values) {
                if (attr.syntax == kSyntaxInteger && value.size() == 4)
                    out += key + ": " + std::to_string(IntegerOf(value)) + "\n";
                else
                    PutLine(out, key, value.data(), value.size());
            }
        }
    }
    // Grants grouped by subject, in the order subjects first appear.
    std::vector<std::string> subjects;
    std::unordered_map<std::string, std::vector<const Grant *>> bySubject;
    for (const auto &grant : store.grants) {
        auto [group, added] = bySubject.try_emplace(ObjectKey(grant.subject));
        if (added)
            subjects.push_back(group->first);
        group->second.push_back(&grant);
    }
    for (const auto &key : subjects) {
        const auto &group = bySubject[key];
        out += '\n';
        PutLine(out, "rights", group.front()->subject);
        for (const Grant *grant : group)
            PutLine(out, "grant", Hex(grant->rights) + " " + grant->object);
    }
    return out;
}

}  // namespace dirstore
