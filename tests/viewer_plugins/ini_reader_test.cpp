// The portable INI reader: how it splits a file into sections and keys, and
// how it copies text and reads numbers the way the Win32 profile functions do.
// profile_differential_test.cpp checks the same against the system's answers.
#include "ini_reader.h"
#include "profile_file.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string GetString(const std::string &text, const char *section, const char *key, const char *def = "",
                      unsigned size = 256)
{
    IniFile file = ParseIniText(text);
    char buffer[256] = "unchanged";
    unsigned length = IniGetString(&file, section, key, def, buffer, size);
    EXPECT_EQ(length, std::string(buffer).size());
    return buffer;
}

unsigned GetInt(const std::string &text, const char *key, int def = -7)
{
    IniFile file = ParseIniText(text);
    return IniGetInt(&file, "S", key, def);
}

TEST(IniReader, SectionsAndKeysMatchWithoutCaseAndBlanks)
{
    const std::string text = "  [TraceHandlers]  \r\n\tCount\t=\t 2 \r\n\r\nhandler.1=a.dll\r\n";
    EXPECT_EQ(GetString(text, "tracehandlers", "COUNT"), "2");
    EXPECT_EQ(GetString(text, " TraceHandlers ", " Handler.1\t"), "a.dll");
    EXPECT_EQ(GetString("[ S\t]\nk=v\n", "S", "k", "d"), "v");
}

TEST(IniReader, SectionNameEndsAtTheLastBracket)
{
    EXPECT_EQ(GetString("[a]b]\nk=v\n", "a]b", "k"), "v");
    EXPECT_EQ(GetString("[S] ; note\nk=v\n", "S", "k"), "v");
    // A "[" line without "]" is dropped; the section goes on after it.
    EXPECT_EQ(GetString("[S]\n[broken=x\nk=v\n", "S", "[broken", "d"), "d");
    EXPECT_EQ(GetString("[S]\n[broken=x\nk=v\n", "S", "k", "d"), "v");
}

TEST(IniReader, KeysSplitAtTheFirstEqualsAndLinesWithoutOneHaveNoValue)
{
    const std::string text = "[S]\na=b=c\nlonely\nempty=\n";
    EXPECT_EQ(GetString(text, "S", "a"), "b=c");
    EXPECT_EQ(GetString(text, "S", "lonely", "def"), "def");
    EXPECT_EQ(GetString(text, "S", "empty", "def"), "");
}

TEST(IniReader, OnlyTheFirstSectionAndKeyOfANameCount)
{
    const std::string text = "[S]\nk=1\nk=2\n[T]\nx=1\n[s]\nk=3\nonly=here\n";
    EXPECT_EQ(GetString(text, "S", "k"), "1");
    EXPECT_EQ(GetString(text, "S", "only", "missing"), "missing");
}

TEST(IniReader, NoCommentsInsideLines)
{
    const std::string text = "[S]\n; Count=9\n#k=hash\nk=7 ; seven\n";
    EXPECT_EQ(GetString(text, "S", "Count", "none"), "none");
    EXPECT_EQ(GetString(text, "S", "k"), "7 ; seven");
    EXPECT_EQ(GetInt(text.substr(0, 0) + "[S]\nk=7 ; seven\n", "k"), 7u);
}

TEST(IniReader, LineEndsAndByteOrderMark)
{
    EXPECT_EQ(GetString("\xEF\xBB\xBF[S]\nk=v\n", "S", "k"), "v");
    EXPECT_EQ(GetString("[S]\rk=v\r", "S", "k"), "v");                  // CR only
    EXPECT_EQ(GetString("[S]\nk=v\x1a", "S", "k"), "v");               // Ctrl-Z at the end
    EXPECT_EQ(GetString("[S]\nk=v", "S", "k"), "v");                   // no final line end
    EXPECT_EQ(GetString("k=before\n[S]\nk=v\n", "", "k"), "before");  // keys before any section
    // A zero byte ends a value or a name.
    EXPECT_EQ(GetString(std::string("[S]\nk=ab\0cd\n", 12), "S", "k"), "ab");
    EXPECT_EQ(GetString(std::string("[S]\nk\0x=v\n", 10), "S", "k"), "v");
}

TEST(IniReader, MatchingQuotesAroundAValueGo)
{
    const std::string text = "[S]\nd=\"C:\\Program Files\\x.dll\"\ns='single'\nm=\"mixed'\n"
                             "e=\"\"\nq=\"\none=\"a\"b\"\n";
    EXPECT_EQ(GetString(text, "S", "d"), "C:\\Program Files\\x.dll");
    EXPECT_EQ(GetString(text, "S", "s"), "single");
    EXPECT_EQ(GetString(text, "S", "m"), "\"mixed'");
    EXPECT_EQ(GetString(text, "S", "e", "def"), "");
    EXPECT_EQ(GetString(text, "S", "q"), "\"");
    EXPECT_EQ(GetString(text, "S", "one"), "a\"b");
    // A missing key gives the default, and quotes go from it too.
    EXPECT_EQ(GetString(text, "S", "absent", "'def'"), "def");
}

TEST(IniReader, CopiesAreCutToTheBuffer)
{
    const std::string text = "[S]\nk=abcdef\nq=\"abcdef\"\n";
    EXPECT_EQ(GetString(text, "S", "k", "", 4), "abc");
    EXPECT_EQ(GetString(text, "S", "k", "", 1), "");
    EXPECT_EQ(GetString(text, "S", "k", "", 7), "abcdef");
    // The closing quote is dropped as the last character copied, so a
    // buffer one short of the value loses a letter instead (as the system does).
    EXPECT_EQ(GetString(text, "S", "q", "", 8), "abcdef");
    EXPECT_EQ(GetString(text, "S", "q", "", 7), "abcde");
    EXPECT_EQ(GetString(text, "S", "q", "", 6), "abcde");
    EXPECT_EQ(GetString("[S]\nq=\"\"\n", "S", "q", "", 1), "");
}

TEST(IniReader, DefaultLosesTrailingSpacesButNotItsFirstCharacter)
{
    EXPECT_EQ(GetString("[S]\n", "S", "k", "abc   "), "abc");
    EXPECT_EQ(GetString("[S]\n", "S", "k", "   "), " ");
    EXPECT_EQ(GetString("[S]\n", "S", "k", "abc\t"), "abc\t");
    // No file: the default, treated alike.
    char buffer[16];
    EXPECT_EQ(IniGetString(nullptr, "S", "k", "'q'  ", buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, "q");
    EXPECT_EQ(IniGetString(nullptr, "S", "k", "", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST(IniReader, NumbersReadAsTheProfileFunctionsReadThem)
{
    EXPECT_EQ(ParseProfileNumber("42"), 42u);
    EXPECT_EQ(ParseProfileNumber(" \t+42abc"), 42u);
    EXPECT_EQ(ParseProfileNumber("-1"), 4294967295u);
    EXPECT_EQ(ParseProfileNumber("0x1F"), 31u);
    EXPECT_EQ(ParseProfileNumber("0X1F"), 0u);  // only a lower-case prefix
    EXPECT_EQ(ParseProfileNumber("0o17"), 15u);
    EXPECT_EQ(ParseProfileNumber("0b101"), 5u);
    EXPECT_EQ(ParseProfileNumber("-0x10"), 0u - 16u);
    EXPECT_EQ(ParseProfileNumber("4294967296"), 0u);  // modulo 2^32
    EXPECT_EQ(ParseProfileNumber("abc"), 0u);
    EXPECT_EQ(ParseProfileNumber(""), 0u);
    EXPECT_EQ(ParseProfileNumber("12 34"), 12u);
}

TEST(IniReader, IntegerKeysFallBackToTheDefaultOnlyWhenEmpty)
{
    EXPECT_EQ(GetInt("[S]\nk=5\n", "k"), 5u);
    EXPECT_EQ(GetInt("[S]\nk=\n", "k"), static_cast<unsigned>(-7));
    EXPECT_EQ(GetInt("[S]\nk=\"\"\n", "k"), static_cast<unsigned>(-7));
    EXPECT_EQ(GetInt("[S]\nk=\"12\"\n", "k"), 12u);
    EXPECT_EQ(GetInt("[S]\nk=x\n", "k"), 0u);
    EXPECT_EQ(GetInt("[S]\n", "k"), static_cast<unsigned>(-7));
    // Only the first 29 characters of the value are read.
    EXPECT_EQ(GetInt("[S]\nk=00000000000000000000000000012345\n", "k"), 12u);
}

TEST(IniReader, ProfileFileReadsFromDisk)
{
    TempDir temp;
    std::string path = temp.File("p.ini");
    WriteBytes(path, "[TraceHandlers]\r\nCount=3\r\nHandler.1=x.dll\r\n");
    char buffer[32];
    EXPECT_EQ(ReadProfileInt(path.c_str(), "TraceHandlers", "Count", 0), 3u);
    EXPECT_EQ(ReadProfileString(path.c_str(), "TraceHandlers", "Handler.1", "(None)", buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "x.dll");
    EXPECT_EQ(ReadProfileString(path.c_str(), "TraceHandlers", "Handler.2", "(None)", buffer, sizeof buffer), 6u);
    EXPECT_STREQ(buffer, "(None)");
    std::string missing = temp.File("missing.ini");
    EXPECT_EQ(ReadProfileInt(missing.c_str(), "TraceHandlers", "Count", 0), 0u);
}

}  // namespace
