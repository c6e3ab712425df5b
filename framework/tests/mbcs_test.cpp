#include "framework/mbcs.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
