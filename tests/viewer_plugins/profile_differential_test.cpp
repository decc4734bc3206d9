// The same INI files and queries answered by the platform's profile reading
// (the system's GetPrivateProfileStringA/IntA on Windows, ini_reader on POSIX)
// and by ini_reader, each compared with golden answers recorded from the
// Win32 build under Wine. To record them again, run the Win32 test with
// KAVELIN_PROFILE_GOLDEN_OUT naming the file to write.
#include "ini_reader.h"
#include "profile_file.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>


namespace {

struct ProfileQuery {
    std::string Line;  // as written in queries.txt
    char Kind = 'S';   // S: string, I: integer
    std::string File, Section, Key, Default;
    unsigned Size = 0;
};

std::string Unescape(const std::string &field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x') {
            out += static_cast<char>(std::strtoul(field.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string Escape(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c > 0x7E || c == '[' || c == ']') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::filesystem::path ProfilesDirectory()
{
    return ProgramDirectory() / "viewer_plugins_profiles";
}

std::vector<ProfileQuery> ReadQueries()
{
    std::vector<ProfileQuery> queries;
    std::istringstream lines(ReadBytes((ProfilesDirectory() / "queries.txt").string()));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::size_t start = 0, bar;
        while ((bar = line.find('|', start)) != std::string::npos) {
            fields.push_back(line.substr(start, bar - start));
            start = bar + 1;
        }
        fields.push_back(line.substr(start));
        ProfileQuery q;
        q.Line = line;
        q.Kind = fields[0].empty() ? '?' : fields[0][0];
        if (fields.size() < 5 || (q.Kind == 'S' && fields.size() < 6)) {
            ADD_FAILURE() << "bad query line: " << line;
            continue;
        }
        q.File = (ProfilesDirectory() / Unescape(fields[1])).string();
        q.Section = Unescape(fields[2]);
        q.Key = Unescape(fields[3]);
        q.Default = Unescape(fields[4]);
        q.Size = q.Kind == 'S' ? static_cast<unsigned>(std::stoul(fields[5])) : 0;
        queries.push_back(q);
    }
    return queries;
}

// The answer of the platform's profile reading.
std::string PlatformAnswer(const ProfileQuery &q)
{
    if (q.Kind == 'I')
        return std::to_string(
            ReadProfileInt(q.File.c_str(), q.Section.c_str(), q.Key.c_str(), std::atoi(q.Default.c_str())));
    std::vector<char> buffer(q.Size + 1, '\x7F');
    unsigned length =
        ReadProfileString(q.File.c_str(), q.Section.c_str(), q.Key.c_str(), q.Default.c_str(), buffer.data(), q.Size);
    return std::to_string(length) + " [" + Escape(buffer.data()) + "]";
}

// The answer of the portable reader.
std::string ReaderAnswer(const ProfileQuery &q)
{
    IniFile file;
    bool found = ReadIniFile(q.File.c_str(), file);
    if (q.Kind == 'I')
        return std::to_string(IniGetInt(found ? &file : nullptr, q.Section, q.Key, std::atoi(q.Default.c_str())));
    std::vector<char> buffer(q.Size + 1, '\x7F');
    unsigned length = IniGetString(found ? &file : nullptr, q.Section, q.Key, q.Default, buffer.data(), q.Size);
    return std::to_string(length) + " [" + Escape(buffer.data()) + "]";
}

std::vector<std::string> GoldenLines()
{
    std::vector<std::string> golden;
    std::istringstream lines(ReadBytes((ProfilesDirectory() / "golden.txt").string()));
    std::string line;
    while (std::getline(lines, line))
        golden.push_back(line);
    return golden;
}

void CompareWithGolden(std::string (*answer)(const ProfileQuery &))
{
    std::vector<ProfileQuery> queries = ReadQueries();
    std::vector<std::string> golden = GoldenLines();
    ASSERT_GT(queries.size(), 50u);
    ASSERT_EQ(golden.size(), queries.size()) << "golden.txt does not match queries.txt; record it again";
    for (std::size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(queries[i].Line + " => " + answer(queries[i]), golden[i]);
}

TEST(ProfileDifferential, PlatformReadingGivesTheRecordedAnswers)
{
    if (const char *out = std::getenv("KAVELIN_PROFILE_GOLDEN_OUT")) {
        std::string text;
        for (const ProfileQuery &q : ReadQueries())
            text += q.Line + " => " + PlatformAnswer(q) + "\n";
        WriteBytes(out, text);
    }
    CompareWithGolden(PlatformAnswer);
}

TEST(ProfileDifferential, PortableReaderGivesTheRecordedAnswers)
{
    CompareWithGolden(ReaderAnswer);
}

}  // namespace
