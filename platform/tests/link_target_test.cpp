#include "platform/win32/link_target.h"

#include "platform/system_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace ondrel::system {
namespace {

// Reparse data as the file system gives it for a link: the tag, the name
// offsets and lengths in bytes, the flags, then the names.
std::vector<unsigned char> ReparseData(std::uint32_t tag, const std::wstring& name,
                                       std::uint32_t flags, std::size_t cut = 0) {
    std::vector<unsigned char> data(20 + name.size() * 2);
    auto put = [&data](std::size_t at, auto value) {
        std::memcpy(&data[at], &value, sizeof value);
    };
    put(0, tag);
    put(4, static_cast<std::uint16_t>(data.size() - 8));
    put(8, std::uint16_t{0});
    put(10, static_cast<std::uint16_t>(name.size() * 2));
    put(12, std::uint16_t{0});
    put(14, static_cast<std::uint16_t>(name.size() * 2));
    put(16, flags);
    std::memcpy(&data[20], name.data(), name.size() * 2);
    data.resize(data.size() - cut);
    return data;
}

struct LinkCase {
    const char* name;
    std::vector<unsigned char> data;
    std::optional<std::wstring> path;
    bool relative;
};

class DecodeSymbolicLinkTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(DecodeSymbolicLinkTest, GivesTheNamedFileOrNothing) {
    const auto& c = GetParam();
    const auto target = DecodeSymbolicLink(c.data.data(), c.data.size());
    ASSERT_EQ(target.has_value(), c.path.has_value());
    if (!target) return;
    EXPECT_EQ(target->path, *c.path);
    EXPECT_EQ(target->relative, c.relative);
}

constexpr std::uint32_t kLink = 0xA000000C, kMountPoint = 0xA0000003;

INSTANTIATE_TEST_SUITE_P(
    Links, DecodeSymbolicLinkTest,
    ::testing::Values(
        LinkCase{"Absolute", ReparseData(kLink, L"\\??\\C:\\cart\\GAME.sav", 0),
                 L"C:\\cart\\GAME.sav", false},
        LinkCase{"Relative", ReparseData(kLink, L"cart\\GAME.sav", 1), L"cart\\GAME.sav", true},
        LinkCase{"Share", ReparseData(kLink, L"\\??\\UNC\\nas\\saves\\x.sav", 0),
                 L"\\\\nas\\saves\\x.sav", false},
        // Not links: a folder junction, cut-off data, an empty name.
        LinkCase{"Junction", ReparseData(kMountPoint, L"\\??\\C:\\cart", 0), std::nullopt, false},
        LinkCase{"Truncated", ReparseData(kLink, L"cart\\GAME.sav", 1, 3), std::nullopt, false},
        LinkCase{"HeaderOnly", ReparseData(kLink, std::wstring(), 1, 10), std::nullopt, false},
        LinkCase{"Empty", ReparseData(kLink, std::wstring(), 1), std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Chains of links on a disk made of reparse data alone (Wine makes no
// symbolic links): each link's data decoded as the system's would be, and
// the chain followed to the file an output is written to, or refused.
struct ChainCase {
    const char* name;
    std::map<std::string, std::vector<unsigned char>> links;  // by path
    std::string start;
    std::string end;  // empty: refused as a loop
};

class FollowLinkChainTest : public ::testing::TestWithParam<ChainCase> {};

// The disk the chain is followed on: the case under test's links.
const ChainCase* disk = nullptr;

PathStep LookAtTheCase(const std::string& path) {
    const auto link = disk->links.find(path);
    if (link == disk->links.end()) return {PathKind::Missing, {}, {}};
    const auto target = DecodeSymbolicLink(link->second.data(), link->second.size());
    return {PathKind::Link, std::string(target->path.begin(), target->path.end()), {}};
}

TEST_P(FollowLinkChainTest, EndsAtTheFileOrRefusesTheLoop) {
    const auto& c = GetParam();
    disk = &c;
    const auto lookAt = LookAtTheCase;
    std::error_code error;
    const PathEnd end = FollowLinkChain(c.start, lookAt, error);
    if (c.end.empty()) {
        EXPECT_EQ(error, std::errc::too_many_symbolic_link_levels);
        EXPECT_EQ(end.path, "") << "nothing is written where the count ran out";
    } else {
        EXPECT_FALSE(error);
        EXPECT_EQ(end.path, c.end);
    }
}

// A chain of count links C:\l0 -> C:\l1 -> ... ending at C:\GAME.sav.
std::map<std::string, std::vector<unsigned char>> ChainOf(int count) {
    std::map<std::string, std::vector<unsigned char>> links;
    for (int i = 0; i < count; ++i) {
        const std::wstring next = i + 1 < count ? L"l" + std::to_wstring(i + 1) : L"GAME.sav";
        links["C:\\l" + std::to_string(i)] = ReparseData(kLink, next, 1);
    }
    return links;
}

INSTANTIATE_TEST_SUITE_P(
    Chains, FollowLinkChainTest,
    ::testing::Values(ChainCase{"NoLink", {}, "C:\\GAME.sav", "C:\\GAME.sav"},
                      ChainCase{"AbsoluteThenRelative",
                                {{"C:\\a.sav", ReparseData(kLink, L"\\??\\D:\\cart\\b.sav", 0)},
                                 {"D:\\cart\\b.sav", ReparseData(kLink, L"GAME.sav", 1)}},
                                "C:\\a.sav",
                                "D:\\cart\\GAME.sav"},
                      ChainCase{"RootedOnTheLinksDrive",
                                {{"D:\\cart\\a.sav", ReparseData(kLink, L"\\saves\\b.sav", 1)}},
                                "D:\\cart\\a.sav",
                                "D:\\saves\\b.sav"},
                      ChainCase{"RootedOnTheLinksShare",
                                {{"\\\\nas\\share\\a.sav", ReparseData(kLink, L"\\x\\c.sav", 1)}},
                                "\\\\nas\\share\\a.sav",
                                "\\\\nas\\share\\x\\c.sav"},
                      ChainCase{"FortyLinks", ChainOf(40), "C:\\l0", "C:\\GAME.sav"},
                      ChainCase{"FortyOneLinks", ChainOf(41), "C:\\l0", ""},
                      ChainCase{"LinkToItself",
                                {{"C:\\a.sav", ReparseData(kLink, L"a.sav", 1)}},
                                "C:\\a.sav",
                                ""},
                      ChainCase{"Loop",
                                {{"C:\\a.sav", ReparseData(kLink, L"b.sav", 1)},
                                 {"C:\\b.sav", ReparseData(kLink, L"\\??\\C:\\a.sav", 0)}},
                                "C:\\a.sav",
                                ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ondrel::system
