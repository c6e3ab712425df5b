#include "platform/temporaries.h"

#include <gtest/gtest.h>

#include <string>

namespace ondrel {
namespace {

// A made name with its last character replaced.
std::string Altered(std::string name, char last) {
    name.back() = last;
    return name;
}

const std::string kMade = TemporaryName("Game.sav", 0x0123456789ABCDEFull);

struct NameCase {
    std::string name;
    bool temporary;
};

class TemporaryNameTest : public ::testing::TestWithParam<NameCase> {};

// Clean-up removes only what this rule accepts: a player's file of any name
// must fail it.
TEST_P(TemporaryNameTest, OnlyMadeNamesAreTemporaries) {
    EXPECT_EQ(IsTemporaryName(GetParam().name), GetParam().temporary) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, TemporaryNameTest,
    ::testing::Values(NameCase{kMade, true}, NameCase{TemporaryName("", 0), true},
                      NameCase{TemporaryName("/a/b c.sav", ~0ull), true},
                      NameCase{Altered(kMade, kMade.back() == '0' ? '1' : '0'), false},
                      NameCase{Altered(kMade, 'G'), false}, NameCase{kMade.substr(1), true},
                      NameCase{kMade.substr(0, kMade.size() - 1), false},
                      NameCase{kMade + "x", false},
                      // Names earlier versions gave their temporaries, and names a
                      // person may give a file, are not taken.
                      NameCase{"out.sav.ondrel-17-abcdef", false},
                      NameCase{"diary.txt.ondrel-4000000-backup", false},
                      NameCase{"photo.jpg.ondrel-99999-v2copy", false},
                      NameCase{"Game.sav.ondrel~0000000000000000ffffffff", false},
                      NameCase{"", false}));

TEST(TemporaryNameTest, NamesTheOutputAndDifferEachTime) {
    EXPECT_EQ(kMade.rfind("Game.sav.ondrel~0123456789abcdef", 0), 0u);
    EXPECT_NE(NextRandom(), NextRandom());
}

}  // namespace
}  // namespace ondrel
