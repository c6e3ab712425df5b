#include "core/save_plan.h"

#include <gtest/gtest.h>

#include <string>

namespace ondrel {
namespace {

constexpr std::uint64_t K = 1024, M = 1024 * K;

// The size both front ends ask of a conversion, from the user's choices and
// the save's game: a chosen size always; else, for a bare save or a .dsv,
// the game's chip where the list has one; else the save's own (0).
struct SizeCase {
    const char* name;
    SaveTarget target;
    std::uint64_t chosen;
    const char* game;  // empty: none named
    std::uint64_t size;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class PlannedSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(PlannedSizeTest, IsTheChosenTheGamesOrTheSaves) {
    const SizeCase& c = GetParam();
    SaveChoices choices;
    choices.target = c.target;
    choices.chipSize = c.chosen;
    if (*c.game != '\0') choices.game = GameCodeNamed(c.game);
    const SavePlan plan = PlanSave("Game.sav", choices);
    EXPECT_EQ(plan.request.size, c.size);
    EXPECT_EQ(plan.request.game.has_value(), *c.game != '\0');
}

using T = SaveTarget;
INSTANTIATE_TEST_SUITE_P(Choices, PlannedSizeTest,
                         ::testing::Values(SizeCase{"RawOfA1MiBGame", T::Raw, 0, "BKIE", 1 * M},
                                           SizeCase{"DsvOfAn8KiBGame", T::Dsv, 0, "A2DE", 8 * K},
                                           SizeCase{"ChosenSizeWins", T::Raw, 256 * K, "BKIE",
                                                    256 * K},
                                           SizeCase{"J8KeepsItsOwnSize", T::J8, 0, "BKIE", 0},
                                           SizeCase{"GameNotInTheList", T::Raw, 0, "ZZZZ", 0},
                                           SizeCase{"GameWithoutAChip", T::Dsv, 0, "A36J", 0},
                                           SizeCase{"NoGame", T::Raw, 0, "", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ondrel
