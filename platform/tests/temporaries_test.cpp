#include "platform/temporaries.h"

#include <gtest/gtest.h>

namespace ondrel {
namespace {

TEST(TemporaryTemplateTest, NamesTheOutputAndTheWriter) {
    EXPECT_EQ(TemporaryTemplate("/saves/Game.sav", 4242), "/saves/Game.sav.ondrel-4242-XXXXXX");
    EXPECT_EQ(TemporaryOwner("Game.sav.ondrel-4242-a1B2c3"), 4242u);
}

struct OwnerCase {
    const char* name;
    std::optional<unsigned long> owner;
};

class TemporaryOwnerTest : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(TemporaryOwnerTest, ReadsTheProcessIdOnlyFromTemporaryNames) {
    EXPECT_EQ(TemporaryOwner(GetParam().name), GetParam().owner);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TemporaryOwnerTest,
    ::testing::Values(OwnerCase{"Game.sav.ondrel-17-abcdef", 17},
                      OwnerCase{".ondrel-99-ZZZZZZ", 99},
                      OwnerCase{"a.ondrel-b.ondrel-5-000000", 5},
                      // A player's own files are never taken for temporaries.
                      OwnerCase{"Game.sav", std::nullopt},
                      OwnerCase{"Game.ondrel.sav", std::nullopt},
                      OwnerCase{"Game.sav.ondrel-17-abcde", std::nullopt},
                      OwnerCase{"Game.sav.ondrel-17-abcdefg", std::nullopt},
                      OwnerCase{"Game.sav.ondrel--abcdef", std::nullopt},
                      OwnerCase{"Game.sav.ondrel-1x-abcdef", std::nullopt},
                      OwnerCase{"Game.sav.ondrel-17-abc.ef", std::nullopt},
                      OwnerCase{"Game.sav.ondrel-99999999999999999999999-abcdef", std::nullopt},
                      OwnerCase{"", std::nullopt}));

}  // namespace
}  // namespace ondrel
