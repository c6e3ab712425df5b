#include "jobs/transform_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/tests/test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace ondrel {
namespace {

namespace fs = std::filesystem;
using test_support::Bytes;

struct Message {
    std::string text, caption;
    MessageIcon icon;
    bool operator==(const Message&) const = default;
};

void PrintTo(const Message& m, std::ostream* os) {
    *os << "\"" << m.text << "\" / \"" << m.caption << "\" / " << static_cast<unsigned>(m.icon);
}

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    std::vector<Message> messages;
};

// Field texts are written with these placeholders for the test's own files.
constexpr const char* kIn = "<in>";                  // an existing 256K *.dat save
constexpr const char* kOut = "<out>";                // an output that already holds other bytes
constexpr const char* kMissing = "<missing>";        // a file that does not exist
constexpr const char* kNoFolder = "<nofolder>";      // a file in a folder that does not exist
constexpr const char* kFolder = "<folder>";          // the test's folder itself
constexpr const char* kUnreadable = "<unreadable>";  // opens, but reading it fails
constexpr const char* kFull = "<full>";              // a new output with no room for the image

struct TransformCase {
    const char* name;
    std::string input, output;  // field texts, placeholders expanded
    std::string message;        // expected text, placeholders expanded
    bool error;
    bool outputWritten;
};

void PrintTo(const TransformCase& c, std::ostream* os) {
    *os << c.name;
}

class RunTransformTest : public ::testing::TestWithParam<TransformCase> {
protected:
    test_support::TempFolder folder_;
    test_support::TempFolder other_;  // files of the failure rows, outside folder_
#ifdef _WIN32
    // The Windows tests run under Wine, whose Z: drive is the Linux root: a
    // process's memory fails to read there too. The full disk is the small
    // one the test run mounts (ONDREL_SMALL_DISK).
    void SetUp() override {
        const fs::path disk = test_support::SmallDisk();
        ASSERT_FALSE(disk.empty()) << "ONDREL_SMALL_DISK names no small disk";
        full_ = disk / "full.sav";
    }
    const fs::path unreadable_ = "Z:\\proc\\self\\mem";
#else
    // A process's memory fails to read at offset 0; a full device of the
    // test's own (mknod needs root) takes no bytes.
    void SetUp() override {
        ASSERT_EQ(::mknod(full_.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0) << "mknod needs root";
    }
    const fs::path unreadable_ = "/proc/self/mem";
#endif

    std::string Expand(std::string text) const {
        const std::pair<const char*, fs::path> names[] = {
            {kIn, folder_ / "slot1.dat"},
            {kOut, folder_ / "slot1.sav"},
            {kMissing, folder_ / "gone.dat"},
            {kNoFolder, folder_ / "no" / "such.sav"},
            {kFolder, folder_.path()},
            {kUnreadable, unreadable_},
            {kFull, full_},
        };
        for (const auto& [placeholder, path] : names)
            for (auto at = text.find(placeholder); at != std::string::npos;
                 at = text.find(placeholder))
                text.replace(at, std::string(placeholder).size(), path.string());
        return text;
    }

    fs::path full_ = other_ / "full.sav";  // declared after other_, which it names
};

TEST_P(RunTransformTest, ShowsOneMessageAndWritesOnlyOnSuccess) {
    const TransformCase& c = GetParam();
    const Bytes input = test_support::PatternBytes(256 * 1024);
    const Bytes previous(1000, 0x42);
    test_support::WriteBytes(folder_ / "slot1.dat", input);
    test_support::WriteBytes(folder_ / "slot1.sav", previous);

    std::string in = Expand(c.input), out = Expand(c.output);
    RecordingSink sink;
    RunTransform(in, out, SourceKind::Dat, sink);

    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (Message{Expand(c.message), c.error ? "Error" : "OK",
                                         c.error ? MessageIcon::Error : MessageIcon::None}));
    // The paths are left trimmed, whatever happened (the test's paths hold no blanks).
    EXPECT_EQ(in.find_first_of(" \t\r\n\v\f"), std::string::npos);
    EXPECT_EQ(out.find_first_of(" \t\r\n\v\f"), std::string::npos);
    EXPECT_EQ(test_support::ReadBytes(folder_ / "slot1.dat"), input)
        << "the input is never changed";
    if (c.outputWritten) {
        EXPECT_EQ(test_support::ReadBytes(folder_ / "slot1.sav"),
                  test_support::ImageOf(input, input.size()));
    } else {
        EXPECT_EQ(test_support::ReadBytes(folder_ / "slot1.sav"), previous);
    }
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"slot1.dat", "slot1.sav"}))
        << "no other file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RunTransformTest,
    ::testing::Values(
        TransformCase{"BothEmpty", "", "", "Please select the input file!", true, false},
        TransformCase{"BlanksOnly", " \t \r\n", "\v\f ", "Please select the input file!", true,
                      false},
        TransformCase{"InputEmptyOutputGiven", "", kOut, "Please select the input file!", true,
                      false},
        TransformCase{"InputMissingOutputEmpty", kMissing, "",
                      std::string("Open file [ ") + kMissing + " ] failure!", true, false},
        TransformCase{"InputMissingShowsTrimmedPath", std::string("  ") + kMissing + "\t ", kOut,
                      std::string("Open file [ ") + kMissing + " ] failure!", true, false},
        TransformCase{"InputIsFolder", kFolder, kOut,
                      std::string("Open file [ ") + kFolder + " ] failure!", true, false},
        TransformCase{"OutputEmpty", kIn, "  ", "Please select the output file!", true, false},
        TransformCase{"OutputFolderMissing", kIn, kNoFolder,
                      std::string("Create file [ ") + kNoFolder + " ] failure!", true, false},
        TransformCase{"OutputIsFolder", kIn, kFolder,
                      std::string("Create file [ ") + kFolder + " ] failure!", true, false},
        TransformCase{"InputReadFails", kUnreadable, kOut,
                      std::string("Read file [ ") + kUnreadable + " ] failure!", true, false},
        TransformCase{"OutputDiskFull", kIn, kFull,
                      std::string("Write file [ ") + kFull + " ] failure!", true, false},
        TransformCase{"Converts", kIn, kOut, "Transform OK!", false, true},
        TransformCase{"ConvertsTrimmedPaths", std::string(" \t") + kIn + "  ",
                      std::string("\r\n") + kOut + " ", "Transform OK!", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Transform pressed again over its own output: the second run replaces what
// the output holds by then with the image again, whole.
TEST(RunTransformRepeatTest, SecondRunGivesTheSameResult) {
    test_support::TempFolder folder;
    const Bytes input = test_support::PatternBytes(520 * 1024, 16);
    test_support::WriteBytes(folder / "game.sav", input);
    std::string in = (folder / "game.sav").string(), out = (folder / "game.j8.sav").string();
    // A DSLink save: its first 8 KiB are blank and the save's start follows
    // the 512 KiB body; the image puts it back in front.
    Bytes image(input.begin() + 512 * 1024, input.end());
    image.insert(image.end(), input.begin() + 8 * 1024, input.begin() + 512 * 1024);
    RecordingSink sink;
    RunTransform(in, out, SourceKind::Sav, sink);
    EXPECT_EQ(test_support::ReadBytes(folder / "game.j8.sav"), image);
    // The output changed between the runs, and one byte longer: a second run
    // that kept it, or wrote over it without cutting it, would leave a trace.
    Bytes changed = image;
    changed[0] ^= 0x01;
    changed.push_back(0x00);
    test_support::WriteBytes(folder / "game.j8.sav", changed);
    RunTransform(in, out, SourceKind::Sav, sink);
    EXPECT_EQ(sink.messages, (std::vector<Message>(2, {"Transform OK!", "OK", MessageIcon::None})));
    EXPECT_EQ(test_support::ReadBytes(folder / "game.j8.sav"), image);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"game.j8.sav", "game.sav"}));
}

TEST(RunTransformRepeatTest, OutputNamingTheInputReplacesIt) {
    test_support::TempFolder folder;
    const Bytes input = test_support::PatternBytes(257 * 1024);
    test_support::WriteBytes(folder / "slot.dat", input);
    std::string in = (folder / "slot.dat").string(), out = in;
    RecordingSink sink;
    RunTransform(in, out, SourceKind::Dat, sink);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "Transform OK!");
    EXPECT_EQ(test_support::ReadBytes(folder / "slot.dat"),
              test_support::ImageOf(input, 256 * 1024));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"slot.dat"});
}

struct TrimCase {
    std::string field, trimmed;
};

class TrimPathTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimPathTest, DropsTheSixBlankBytesAtBothEnds) {
    std::string path = GetParam().field;
    TrimPath(path);
    EXPECT_EQ(path, GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TrimPathTest,
    ::testing::Values(TrimCase{"", ""}, TrimCase{" \t\n\v\f\r", ""},
                      TrimCase{"  C:\\a.dat  ", "C:\\a.dat"},
                      TrimCase{"C:\\My Saves\\a b.dat", "C:\\My Saves\\a b.dat"},
                      TrimCase{"\r\nx\t", "x"}, TrimCase{"\xA0x\xA0", "\xA0x\xA0"},
                      // Bytes above 0x7F are never blanks, whatever a signed char
                      // passed to isspace would say.
                      TrimCase{" \xE9t\x85 ", "\xE9t\x85"}));

}  // namespace
}  // namespace ondrel
