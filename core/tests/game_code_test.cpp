#include "core/game_code.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/tests/test_files.h"

namespace ondrel {
namespace {

using test_support::Bytes;

// The CRC's published check value: "123456789" gives 0x4B37.
TEST(Crc16Test, GivesTheCheckValue) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc16(Bytes(text.begin(), text.end())), 0x4B37);
}

// A file's first bytes and what its header says of the game.
struct HeaderCase {
    const char* name;
    Bytes head;
    bool dsGame;
    const char* code;  // empty: none to look up
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class RomHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(RomHeaderTest, TellsADsGameAndItsCode) {
    const HeaderCase& c = GetParam();
    const RomHeader header = ReadRomHeader(c.head);
    EXPECT_EQ(header.dsGame, c.dsGame);
    if (*c.code == '\0')
        EXPECT_EQ(header.code, std::nullopt);
    else
        EXPECT_EQ(header.code, GameCodeNamed(c.code));
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes Changed(Bytes bytes, std::size_t at) {
    bytes[at] ^= 0x01;
    return bytes;
}

using test_support::RomHeaderBytes;
INSTANTIATE_TEST_SUITE_P(
    Headers, RomHeaderTest,
    ::testing::Values(HeaderCase{"Game", RomHeaderBytes("BKIE"), true, "BKIE"},
                      HeaderCase{"Digits", RomHeaderBytes("12ES"), true, "12ES"},
                      // The checksum ends at 0x15F: nothing after it is asked for.
                      HeaderCase{"OnlyUpToTheChecksum", Cut(RomHeaderBytes("BKIE"), 0x160), true,
                                 "BKIE"},
                      HeaderCase{"OneByteShort", Cut(RomHeaderBytes("BKIE"), 0x15F), false, ""},
                      HeaderCase{"ChecksumWrong", RomHeaderBytes("BKIE", false), false, ""},
                      HeaderCase{"ByteChangedUnderTheChecksum",
                                 Changed(RomHeaderBytes("BKIE"), 0x15D), false, ""},
                      HeaderCase{"ByteChangedPastTheChecksum",
                                 Changed(RomHeaderBytes("BKIE"), 0x160), true, "BKIE"},
                      HeaderCase{"AllZeros", Bytes(512, 0), false, ""},
                      HeaderCase{"Empty", Bytes{}, false, ""},
                      // A DS game all the same, but one the list cannot know.
                      HeaderCase{"HomebrewCode", RomHeaderBytes("####"), true, ""},
                      HeaderCase{"LowerCaseCode", RomHeaderBytes("bkie"), true, ""},
                      HeaderCase{"NoCode", RomHeaderBytes(std::string(4, '\0')), true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GameCodeNamedTest, TakesFourLettersOrDigitsInEitherCase) {
    EXPECT_EQ(GameCodeNamed("BKIE"), (GameCode{'B', 'K', 'I', 'E'}));
    EXPECT_EQ(GameCodeNamed("bkIe"), (GameCode{'B', 'K', 'I', 'E'}));
    EXPECT_EQ(GameCodeNamed("A2DE"), (GameCode{'A', '2', 'D', 'E'}));
    for (const std::string& text : std::vector<std::string>{"", "BKI", "BKIEE", "BK-E", "BK E",
                                                            "BK\xC3\x89", std::string("BK\0E", 4)})
        EXPECT_EQ(GameCodeNamed(text), std::nullopt) << text;
}

}  // namespace
}  // namespace ondrel
