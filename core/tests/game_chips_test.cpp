#include "core/game_chips.h"

#include <gtest/gtest.h>

#include <string>

#include "core/chip_size.h"

namespace ondrel {
namespace {

constexpr std::uint64_t K = 1024, M = 1024 * K;

// The list as made into the table: every row, searchable by halves.
TEST(GameChipTableTest, HoldsEveryGameOfTheListInOrder) {
    const std::string_view codes = KnownGameCodes();
    ASSERT_EQ(codes.size(), 4u * 6775);
    for (std::size_t at = 4; at < codes.size(); at += 4)
        ASSERT_LT(codes.substr(at - 4, 4), codes.substr(at, 4)) << at / 4;
    // Every code is found, at a chip size (or none).
    for (std::size_t at = 0; at < codes.size(); at += 4) {
        const std::optional<GameCode> code = GameCodeNamed(codes.substr(at, 4));
        ASSERT_TRUE(code) << codes.substr(at, 4);
        const std::optional<GameChip> chip = ChipOfGame(*code);
        ASSERT_TRUE(chip) << codes.substr(at, 4);
        EXPECT_EQ(chip->size == 0, chip->type == ChipType::None) << codes.substr(at, 4);
        EXPECT_TRUE(chip->size == 0 || IsChipSize(chip->size)) << codes.substr(at, 4);
    }
}

// Rows of the list, each chip size and type, the first and last, and codes
// it does not have.
struct ChipCase {
    const char* code;
    std::optional<GameChip> chip;
    const char* words;
};

void PrintTo(const ChipCase& c, std::ostream* os) {
    *os << c.code;
}

class ChipOfGameTest : public ::testing::TestWithParam<ChipCase> {};

TEST_P(ChipOfGameTest, FindsTheListsRow) {
    const ChipCase& c = GetParam();
    const std::optional<GameChip> chip = ChipOfGame(*GameCodeNamed(c.code));
    EXPECT_EQ(chip, c.chip);
    EXPECT_EQ(GameInWords({*GameCodeNamed(c.code), chip}), c.words);
}

using T = ChipType;
INSTANTIATE_TEST_SUITE_P(
    Games, ChipOfGameTest,
    ::testing::Values(
        ChipCase{"A2HE", GameChip{512, T::Eeprom}, "game A2HE: 512-byte EEPROM"},
        ChipCase{"A2DE", GameChip{8 * K, T::Eeprom}, "game A2DE: 8 KiB EEPROM"},
        ChipCase{"YWSE", GameChip{64 * K, T::EepromOrFram}, "game YWSE: 64 KiB EEPROM or FRAM"},
        ChipCase{"AAFA", GameChip{128 * K, T::Eeprom}, "game AAFA: 128 KiB EEPROM"},
        ChipCase{"AMCE", GameChip{256 * K, T::Flash}, "game AMCE: 256 KiB flash"},
        ChipCase{"CPUE", GameChip{512 * K, T::Flash}, "game CPUE: 512 KiB flash"},
        ChipCase{"BKIE", GameChip{1 * M, T::Flash}, "game BKIE: 1 MiB flash"},
        ChipCase{"UXBP", GameChip{8 * M, T::Nand}, "game UXBP: 8 MiB NAND"},
        ChipCase{"UORE", GameChip{16 * M, T::Nand}, "game UORE: 16 MiB NAND"},
        ChipCase{"USKV", GameChip{64 * M, T::Nand}, "game USKV: 64 MiB NAND"},
        ChipCase{"A36J", GameChip{0, T::None}, "game A36J: no save chip"},
        ChipCase{"12ES", GameChip{64 * K, T::EepromOrFram}, "game 12ES: 64 KiB EEPROM or FRAM"},
        ChipCase{"YZZJ", GameChip{512, T::Eeprom}, "game YZZJ: 512-byte EEPROM"},
        // Before the first, after the last, between two, and one the list
        // leaves out for its unknown type.
        ChipCase{"0000", std::nullopt, "game 0000: not in the list of save chips"},
        ChipCase{"ZZZZ", std::nullopt, "game ZZZZ: not in the list of save chips"},
        ChipCase{"A2DF", std::nullopt, "game A2DF: not in the list of save chips"},
        ChipCase{"UZPI", std::nullopt, "game UZPI: not in the list of save chips"}),
    [](const auto& info) { return std::string(info.param.code); });

}  // namespace
}  // namespace ondrel
