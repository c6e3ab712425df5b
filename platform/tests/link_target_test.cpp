#include "platform/win32/link_target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

}  // namespace
}  // namespace ondrel::system
