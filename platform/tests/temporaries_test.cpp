#include "platform/temporaries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

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

TEST(TemporaryNameTest, NamesTheOutput) {
    EXPECT_EQ(kMade.rfind("Game.sav.ondrel~0123456789abcdef", 0), 0u);
}

// Two runs draw different first numbers, so their temporaries in one folder
// do not start from the same name. A death test in the "threadsafe" style
// starts this program again as a process of its own (not a fork, which would
// carry this run's numbers on); it draws its first number there and compares
// it with this run's first, handed on in the environment. (Defined before the
// test below, which draws many, so that a whole-program run hands on its first.)
TEST(NextRandomTest, DiffersBetweenRuns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr const char* kName = "ONDREL_TEST_OTHER_RUNS_RANDOM";
    if (!std::getenv(kName)) {
        const std::string first = std::to_string(NextRandom());
#ifdef _WIN32
        _putenv_s(kName, first.c_str());
#else
        setenv(kName, first.c_str(), 1);
#endif
    }
    EXPECT_EXIT(std::exit(std::to_string(NextRandom()) == std::getenv(kName) ? 1 : 0),
                ::testing::ExitedWithCode(0), "");
}

// A run makes a temporary for every output of a batch, and a new name after
// each collision: no number comes back within the run.
TEST(NextRandomTest, DiffersOnEveryCallOfARun) {
    std::vector<std::uint64_t> numbers(1 << 16);
    for (auto& number : numbers) number = NextRandom();
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());
}

}  // namespace
}  // namespace ondrel
