// The Windows file code that Ondrel.exe ships, driven into its failure paths
// through the Transform command: each case must end with the right message
// and the old save's bytes intact.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/save_image.h"
#include "core/tests/test_files.h"
#include "jobs/transform_command.h"
#include "platform/file_io.h"
#include "platform/temporaries.h"

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;
using test_support::TempFolder;

constexpr std::size_t K = 1024;

class LastMessage : public MessageSink {
public:
    void ShowMessage(const std::string& message, const std::string&, MessageIcon) override {
        text = message;
    }
    std::string text;
};

// What a case leaves in the folder: the old save and the input are always
// there, nothing else of ours.
struct FailureCase {
    const char* name;
    bool onSmallDisk;  // the old save and output on the small disk
    // Prepares the situation around folder/out.sav; returns the output path
    // and, in names, the other files that must still be there afterwards.
    std::function<std::string(const fs::path& folder, std::vector<std::string>& names)> arrange;
    const char* message;  // "Create", "Write" or "Transform OK!"
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

// A handle a case keeps open on the old save while the conversion runs.
HANDLE g_held = INVALID_HANDLE_VALUE;

class Win32FileFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Win32FileFailureTest, EndsWithItsMessageAndTheOldSaveIntact) {
    const FailureCase& c = GetParam();
    TempFolder home;
    fs::path folder = home.path();
    if (c.onSmallDisk) {
        folder = test_support::SmallDisk();
        ASSERT_FALSE(folder.empty()) << "ONDREL_SMALL_DISK names no small disk";
    }
    const Bytes input = test_support::PatternBytes(520 * K, 16), previous(100 * K, 0x33);
    test_support::WriteBytes(home / "in.sav", input);
    test_support::WriteBytes(folder / "out.sav", previous);
    std::vector<std::string> names{"out.sav"};
    std::string out = c.arrange(folder, names);
    std::string in = (home / "in.sav").string();

    LastMessage sink;
    RunTransform(in, out, SourceKind::Sav, sink);
    if (g_held != INVALID_HANDLE_VALUE) ::CloseHandle(g_held);
    g_held = INVALID_HANDLE_VALUE;

    const bool converted = std::string(c.message) == "Transform OK!";
    EXPECT_EQ(sink.text,
              converted ? c.message : std::string(c.message) + " file [ " + out + " ] failure!");
    if (converted) {
        Bytes image = test_support::ReadBytes(out);
        EXPECT_EQ(image.size(), kSaveImageSize);
        EXPECT_TRUE(
            std::equal(input.begin() + 8 * K, input.begin() + 512 * K, image.begin() + 8 * K));
    } else {
        EXPECT_EQ(test_support::ReadBytes(folder / "out.sav"), previous)
            << "the old save is intact";
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    std::erase(left, "in.sav");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(left, names) << "no temporary is left, and nothing else is removed";
    ::SetFileAttributesA((folder / "out.sav").string().c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::string Out(const fs::path& folder) {
    return (folder / "out.sav").string();
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, Win32FileFailureTest,
    ::testing::Values(
        FailureCase{"FullDisk", true, [](const fs::path& f, auto&) { return Out(f); }, "Write"},
        FailureCase{"ReadOnlyAttribute", false,
                    [](const fs::path& f, auto&) {
                        ::SetFileAttributesA(Out(f).c_str(), FILE_ATTRIBUTE_READONLY);
                        return Out(f);
                    },
                    "Create"},
        // An emulator with the save loaded: open, but not to be deleted.
        FailureCase{"HeldOpenWithoutDeleteSharing", false,
                    [](const fs::path& f, auto&) {
                        g_held = ::CreateFileA(Out(f).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                        return Out(f);
                    },
                    "Create"},
        FailureCase{"MissingFolder", false,
                    [](const fs::path& f, auto&) { return (f / "no" / "out.sav").string(); },
                    "Create"},
        // A temporary still held (as its writer holds it) and a user's file
        // of a temporary-like name stay; only the abandoned one goes.
        FailureCase{
            "OnlyAbandonedTemporaryRemoved", false,
            [](const fs::path& f, std::vector<std::string>& names) {
                const std::string held = TemporaryName("out.sav", 2),
                                  stale = TemporaryName("out.sav", 1);
                for (const auto& name : {held, stale, std::string("out.sav.ondrel-99-a1b2c3")})
                    test_support::WriteBytes(f / name, Bytes(5, 1));
                names.insert(names.end(), {held, "out.sav.ondrel-99-a1b2c3"});
                ::CreateFileA((f / held).string().c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                return Out(f);
            },
            "Transform OK!"},
        FailureCase{"NameAtThePathLimit", false,
                    [](const fs::path& f, std::vector<std::string>& names) {
                        names.push_back(std::string(MAX_PATH - 2 - f.string().size(), 'n'));
                        return (f / names.back()).string();
                    },
                    "Transform OK!"}),
    [](const auto& info) { return std::string(info.param.name); });

// The old save is held open only after the temporary was made, as when an
// emulator loads it mid-conversion: the replace itself is refused, and the
// failure is reported rather than taken for success.
TEST(Win32ReplaceTest, RefusedReplaceIsReportedAndKeepsTheOldSave) {
    TempFolder folder;
    const Bytes previous(100 * K, 0x33);
    test_support::WriteBytes(folder / "out.sav", previous);
    OutputBatch batch;
    const Bytes image(kSaveImageSize, 0x44);
    const auto written = batch.Write((folder / "out.sav").string(), true, image);
    ASSERT_FALSE(written) << written.error.message();
    HANDLE held = ::CreateFileA((folder / "out.sav").string().c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(batch.Commit().front()) << "a refused replace is a failure";
    ::CloseHandle(held);
    EXPECT_EQ(test_support::ReadBytes(folder / "out.sav"), previous);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"out.sav"});
}

// A replaced save keeps the attributes a user gave it: hidden, system.
TEST(Win32ReplaceTest, ReplacedSaveKeepsItsAttributes) {
    TempFolder folder;
    const std::string out = (folder / "out.sav").string();
    test_support::WriteBytes(out, Bytes(10, 0x33));
    constexpr DWORD kGiven = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(::SetFileAttributesA(out.c_str(), kGiven));
    OutputBatch batch;
    const Bytes image(kSaveImageSize, 0x44);
    ASSERT_FALSE(batch.Write(out, true, image));
    ASSERT_FALSE(batch.Commit().front());
    EXPECT_EQ(::GetFileAttributesA(out.c_str()) & kGiven, kGiven);
    EXPECT_EQ(test_support::ReadBytes(out), image);
}

// Bytes written when the disk is already full: a failure, whether the write
// or the commit finds it, and the old save keeps every byte.
TEST(Win32ReplaceTest, BytesThatFindNoRoomAreAFailure) {
    const fs::path disk = test_support::SmallDisk();
    ASSERT_FALSE(disk.empty()) << "ONDREL_SMALL_DISK names no small disk";
    const Bytes previous(10 * K, 0x33);
    test_support::WriteBytes(disk / "out.sav", previous);
    std::FILE* filler = std::fopen((disk / "filler").string().c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    const Bytes block(4 * K, 0);
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    std::fclose(filler);

    OutputBatch batch;
    const auto written = batch.Write((disk / "out.sav").string(), true, {block.data(), 100});
    EXPECT_TRUE(written || batch.Commit().front())
        << "bytes that never reached the disk are a failure";
    EXPECT_EQ(test_support::ReadBytes(disk / "out.sav"), previous);
    fs::remove(disk / "filler");
    EXPECT_EQ(fs::directory_iterator(disk)->path().filename(), "out.sav");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace ondrel
