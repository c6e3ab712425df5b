// Reading an input once: a failed read, and a file that another program
// changes while it is read, are failures, never the bytes of the moment; a
// pipe or device where a save file was named is refused once opened.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "core/tests/test_files.h"
#include "platform/file_io.h"

namespace ondrel {
namespace {

using test_support::Bytes;

constexpr std::uint64_t K = 1024;
// Bounds as the conversions ask for them: a dat save's 256 KiB, a J8 image's
// 512 KiB.
constexpr std::uint64_t kDatReadSize = 256 * K, kImage = 512 * K;

// An input that fails to read is a failed read, whatever the bound: never
// an empty save. A folder's descriptor fails every read (EISDIR).
TEST(ReadInputTest, FailingReadIsAFailedRead) {
    for (const std::uint64_t bound : {std::uint64_t{kDatReadSize}, std::uint64_t{kImage} + 8192}) {
        const int folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(folder, 0);
        const InputFile in(folder, 520 * 1024, true);
        InputBuffer bytes;
        std::uint64_t size = 0;
        EXPECT_EQ(ReadInput(in, bound, kImage, bytes, size), std::errc::is_a_directory);
    }
}

// A save that another program changes between its opening and the end of
// its reading is a failed read, not the bytes of the moment: cut short, made
// longer, or written again at the same length.
struct ChangeCase {
    const char* name;
    std::function<void(const std::filesystem::path&)> change;
    std::uint64_t bound;
    bool changed;
};

void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadInputChangeTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ReadInputChangeTest, ChangedWhileReadIsAFailedRead) {
    const ChangeCase& c = GetParam();
    test_support::TempFolder folder;
    const auto path = folder / "game.sav";
    test_support::WriteBytes(path, Bytes(64 * K, 0x5A));
    // Its times set well in the past, so that a change shows in any clock's steps.
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    std::error_code error;
    const InputFile input = OpenInputFile(path.string(), error);
    ASSERT_TRUE(input.IsOpen()) << error.message();
    c.change(path);
    InputBuffer read;
    std::uint64_t size = 0;
    error = ReadInput(input, c.bound, kImage, read, size);
    if (c.changed) {
        EXPECT_EQ(error, FileError::ChangedWhileRead) << error.message();
    } else {
        EXPECT_FALSE(error) << error.message();
        EXPECT_EQ(size, 64 * K);
        EXPECT_EQ(read.size(), std::min<std::uint64_t>(64 * K, c.bound));
    }
}

void Rewritten(const std::filesystem::path& path) {
    test_support::WriteBytes(path, Bytes(64 * K, 0x5A));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ReadInputChangeTest,
    ::testing::Values(
        ChangeCase{"Untouched", [](const auto&) {}, kImage, false},
        ChangeCase{"UntouchedPastTheBound", [](const auto&) {}, 4 * K, false},
        ChangeCase{"CutShort", [](const auto& path) { std::filesystem::resize_file(path, 4 * K); },
                   kImage, true},
        ChangeCase{"CutShortPastTheBound",
                   [](const auto& path) { std::filesystem::resize_file(path, 8 * K); }, 4 * K,
                   true},
        ChangeCase{"MadeLonger",
                   [](const auto& path) { std::filesystem::resize_file(path, 80 * K); }, kImage,
                   true},
        ChangeCase{"WrittenAgainAtItsLength", Rewritten, kImage, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A pipe or device put where a save file was named is refused once opened,
// at once and without waiting for a writer.
TEST(OpenInputFileTest, RefusesAnythingButARegularFile) {
    test_support::TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0666), 0);
    for (const std::string& path : {(folder / "pipe").string(), std::string("/dev/zero")}) {
        std::error_code error;
        EXPECT_FALSE(OpenInputFile(path, error).IsOpen()) << path;
        EXPECT_EQ(error, FileError::NotRegular) << path;
    }
}

}  // namespace
}  // namespace ondrel
