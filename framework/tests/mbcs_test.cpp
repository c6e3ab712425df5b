#include "framework/mbcs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr UINT kWestern = 1252;
constexpr UINT kJapanese = 932;  // Shift-JIS: trail bytes 0x40-0x7E and 0x80-0xFC

struct FilterCase {
    const char* name;
    UINT codePage;
    std::string filter;
    std::string expected;
};

class FilterConversion : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, GivesNulSeparatedListEndedByTwoNuls) {
    EXPECT_EQ(framework::FilterToDoubleNul(GetParam().filter, GetParam().codePage),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterConversion,
    ::testing::Values(
        FilterCase{"Empty", kWestern, "", ""},
        FilterCase{"TwoPairs", kWestern, "A (*.a)|*.a|All (*.*)|*.*|",
                   "A (*.a)\0*.a\0All (*.*)\0*.*\0\0"s},
        FilterCase{"NoClosingBar", kWestern, "A|*.a", "A\0*.a\0\0"s},
        FilterCase{"EmptyPattern", kWestern, "A||", "A\0\0\0"s},
        FilterCase{"HighBytes", kWestern, "Caf\xE9|*.\xE9|", "Caf\xE9\0*.\xE9\0\0"s},
        // 0x83 0x7C is one character in Shift-JIS: its second byte is '|'.
        FilterCase{"TrailByteIsBar", kJapanese, "\x83\x7C|*.sav|", "\x83\x7C\0*.sav\0\0"s},
        // In code page 1252 the same bytes are two characters.
        FilterCase{"SameBytesSingleByte", kWestern, "\x83\x7C|*.sav|", "\x83\0\0*.sav\0\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

struct SplitCase {
    const char* name;
    UINT codePage;
    std::string line;
    std::vector<std::string> arguments;
};

class CommandLineSplit : public ::testing::TestWithParam<SplitCase> {};

// As the C runtime gives a program its arguments: the shell quotes a path
// with blanks in it ("Open with", a file dropped on the program's icon).
TEST_P(CommandLineSplit, GivesTheArgumentsMainWouldGet) {
    EXPECT_EQ(framework::SplitCommandLine(GetParam().line, GetParam().codePage),
              GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplit,
    ::testing::Values(
        SplitCase{"Empty", kWestern, "", {}}, SplitCase{"OnlyBlanks", kWestern, " \t  ", {}},
        SplitCase{"OnePath", kWestern, "C:\\Saves\\Game.dat", {"C:\\Saves\\Game.dat"}},
        SplitCase{"BlanksAndTabsAround", kWestern, "  a.dat\t b.sav  ", {"a.dat", "b.sav"}},
        SplitCase{"QuotedWithBlanks",
                  kWestern,
                  "\"C:\\My Saves\\Game 1.nds.sav\" next.dat",
                  {"C:\\My Saves\\Game 1.nds.sav", "next.dat"}},
        SplitCase{"QuotedPart", kWestern, "\"C:\\My Saves\"\\x.sav", {"C:\\My Saves\\x.sav"}},
        SplitCase{"EmptyQuotes", kWestern, "\"\" x", {"", "x"}},
        SplitCase{"TwoQuotesInQuotes", kWestern, "\"a\"\"b\"", {"a\"b"}},
        // Backslashes are plain except before a quote.
        SplitCase{
            "PlainBackslashes", kWestern, "\\\\server\\share\\a.sav", {"\\\\server\\share\\a.sav"}},
        SplitCase{
            "FolderEndsInQuotes", kWestern, "\"C:\\My Saves\\\\\" x", {"C:\\My Saves\\", "x"}},
        SplitCase{"EscapedQuote", kWestern, "a\\\"b c", {"a\"b", "c"}},
        SplitCase{"EscapedBackslashAndQuote", kWestern, "a\\\\\\\"b", {"a\\\"b"}},
        SplitCase{"UnclosedQuote", kWestern, "\"C:\\My Saves\\\" x", {"C:\\My Saves\" x"}},
        SplitCase{"HighBytes", kWestern, "Caf\xE9.sav \xA0", {"Caf\xE9.sav", "\xA0"}},
        // 0x95 0x5C is one character in Shift-JIS: its second byte is '\'.
        SplitCase{
            "TrailByteIsBackslash", kJapanese, "\"C:\\\x95\x5C\" x.sav", {"C:\\\x95\x5C", "x.sav"}},
        // In code page 1252 the same bytes end in a backslash before the quote.
        SplitCase{"SameBytesSingleByte", kWestern, "\"C:\\\x95\x5C\" x.sav", {"C:\\\x95\" x.sav"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
