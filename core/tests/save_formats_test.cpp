#include "core/save_formats.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/dsv_format.h"
#include "core/little_endian.h"
#include "core/tests/test_files.h"

namespace ondrel {
namespace {

using test_support::Bytes;
using test_support::PatternBytes;
constexpr std::uint32_t K = 1024;

// A file of one kind and what its reader must find: the save's bytes at
// their place in the file (or unpacked), or a problem that names the fault.
struct FormatCase {
    const char* name;
    SourceKind kind;
    std::function<Bytes()> file;
    std::size_t headerBytes = 0;  // where the save starts in the file
    Bytes save;                   // the save the reader must give
    const char* problem = "";     // a part of the problem's text, if refused
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class FindSaveTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FindSaveTest, FindsTheSaveOrNamesTheFault) {
    const FormatCase& c = GetParam();
    const Bytes file = c.file();
    const FoundSave found = FindSave(c.kind, file);
    if (*c.problem != '\0') {
        EXPECT_NE(found.problem.find(c.problem), std::string::npos) << found.problem;
        return;
    }
    ASSERT_EQ(found.problem, "");
    const ByteSpan save = found.Save(file);
    EXPECT_EQ(Bytes(save.begin(), save.end()), c.save);
    if (!found.packed) {
        EXPECT_EQ(save.data(), file.data() + c.headerBytes);
    }
    EXPECT_EQ(found.headerBytes + found.storedBytes + found.trailerBytes, file.size());
}

const Bytes k8K = PatternBytes(8 * K);
const Bytes kOdd = PatternBytes(1000);
using test_support::ActionReplayDsFile;
using test_support::ActionReplayDsiFile;
using test_support::DsvFile;
using test_support::NocashPackedFile;
using test_support::NocashStoredFile;

Bytes Prefix(Bytes bytes, std::size_t count) {
    bytes.resize(count);
    return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Runs of every kind: a copy of 3, a short repeat of 5, a long repeat of 300.
const Bytes kRuns = {3, 1, 2, 3, 0x85, 7, 0x80, 9, 0x2C, 0x01, 0x00};
Bytes Unpacked() {
    Bytes save(308, 9);
    for (std::uint8_t b : {1, 2, 3}) save[b - 1] = b;
    std::fill(save.begin() + 3, save.begin() + 8, 7);
    return save;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FindSaveTest,
    ::testing::Values(
        FormatCase{"Dsv", SourceKind::Dsv, [] { return DsvFile(k8K); }, 0, k8K},
        FormatCase{"DsvUsedBelowPadded", SourceKind::Dsv, [] { return DsvFile(k8K, 8 * K, 10); }, 0,
                   k8K},
        FormatCase{
            "DsvTooShort", SourceKind::Dsv, [] { return PatternBytes(121); }, 0, {}, "too short"},
        FormatCase{"DsvWithoutTag",
                   SourceKind::Dsv,
                   [] { return PatternBytes(9000); },
                   0,
                   {},
                   "does not end with"},
        FormatCase{"DsvVersion1",
                   SourceKind::Dsv,
                   [] { return DsvFile(k8K, 8 * K, 8 * K, 1); },
                   0,
                   {},
                   "version 1"},
        FormatCase{"DsvPaddedDisagrees",
                   SourceKind::Dsv,
                   [] { return DsvFile(k8K, 64 * K, 8 * K); },
                   0,
                   {},
                   "says the save is 65536 bytes, but 8192 bytes come before it"},
        FormatCase{"DsvUsedPastPadded",
                   SourceKind::Dsv,
                   [] { return DsvFile(k8K, 8 * K, 8 * K + 1); },
                   0,
                   {},
                   "8193 bytes were used"},
        FormatCase{"DsvTruncatedSave",
                   SourceKind::Dsv,
                   [] {
                       Bytes file = DsvFile(k8K);
                       file.erase(file.begin(), file.begin() + 100);
                       return file;
                   },
                   0,
                   {},
                   "but 8092 bytes come before it"},
        FormatCase{"ArDs", SourceKind::Duc, [] { return ActionReplayDsFile(k8K); }, 500, k8K},
        FormatCase{"ArDsTruncatedHeader",
                   SourceKind::Duc,
                   [] { return Prefix(ActionReplayDsFile({}), 499); },
                   0,
                   {},
                   "shorter than the 500-byte Action Replay DS header"},
        FormatCase{"ArDsi", SourceKind::Duc, [] { return ActionReplayDsiFile(k8K, 8 * K); }, 0xA4,
                   k8K},
        FormatCase{"ArDsiLengthDisagrees",
                   SourceKind::Duc,
                   [] { return ActionReplayDsiFile(k8K, 64 * K); },
                   0,
                   {},
                   "says the save is 65536 bytes, but 8192 bytes follow it"},
        FormatCase{"ArDsiTruncated",
                   SourceKind::Duc,
                   [] { return Bytes(100, 0); },
                   0,
                   {},
                   "shorter than the 164-byte Action Replay DSi header"},
        FormatCase{"ArDsiOneByteFollows",
                   SourceKind::Duc,
                   [] { return Prefix(ActionReplayDsiFile(k8K, 8 * K), 0xA5); },
                   0,
                   {},
                   "but 1 byte follows it"},
        FormatCase{
            "ArNeither", SourceKind::Duc, [] { return k8K; }, 0, {}, "not an Action Replay save"},
        FormatCase{"NocashStored", SourceKind::Nocash, [] { return NocashStoredFile(kOdd); }, 0x4C,
                   kOdd},
        FormatCase{"NocashStoredTruncated",
                   SourceKind::Nocash,
                   [] {
                       Bytes file = NocashStoredFile(kOdd);
                       file.pop_back();
                       return file;
                   },
                   0,
                   {},
                   "says 1000 bytes follow it, but 999 bytes do"},
        FormatCase{"NocashStoredTruncatedToOne",
                   SourceKind::Nocash,
                   [] { return Prefix(NocashStoredFile(kOdd), 0x4D); },
                   0,
                   {},
                   "but 1 byte does"},
        FormatCase{"NocashPacked", SourceKind::Nocash,
                   [] { return NocashPackedFile(kRuns, 11, 308); }, 0, Unpacked()},
        // What follows the save is none of it: blank padding is dropped, data
        // refused, after the runs' end marker or past the lengths alike.
        FormatCase{"NocashPackedThenMore",
                   SourceKind::Nocash,
                   [] {
                       return Concat(NocashPackedFile(kRuns, 11, 308), {1, 2, 3});
                   },
                   0,
                   {},
                   "bytes 91-93 follow the save that the no$gba header describes"},
        FormatCase{"NocashPackedDataAfterTheEndMarker",
                   SourceKind::Nocash,
                   [] {
                       return NocashPackedFile(Concat(kRuns, {0x85, 4}), 13, 308);
                   },
                   0,
                   {},
                   "bytes 91-92 follow the save"},
        FormatCase{"NocashPackedBlankAfterTheEndMarker", SourceKind::Nocash,
                   [] {
                       return NocashPackedFile(Concat(kRuns, {0xFF, 0xFF}), 13, 308);
                   },
                   0, Unpacked()},
        FormatCase{"NocashStoredThenData",
                   SourceKind::Nocash,
                   [] { return Concat(NocashStoredFile(kOdd), {1}); },
                   0,
                   {},
                   "byte 1076 follows the save"},
        FormatCase{"NocashStoredThenZeros", SourceKind::Nocash,
                   [] { return Concat(NocashStoredFile(kOdd), Bytes(20, 0)); }, 0x4C, kOdd},
        FormatCase{"NocashClaimsMoreThanAChip",
                   SourceKind::Nocash,
                   [] { return NocashPackedFile(kRuns, 11, (64u << 20) + 1); },
                   0,
                   {},
                   "more than the largest save chip"},
        FormatCase{"NocashRunsPastPackedLength",
                   SourceKind::Nocash,
                   [] { return NocashPackedFile(kRuns, 9, 308); },
                   0,
                   {},
                   "runs past its packed length"},
        FormatCase{"NocashEndsEarly",
                   SourceKind::Nocash,
                   [] { return NocashPackedFile(kRuns, 20, 308); },
                   0,
                   {},
                   "says 20 bytes packed follow it, but 11 bytes do"},
        FormatCase{"NocashUnpacksShort",
                   SourceKind::Nocash,
                   [] { return NocashPackedFile(kRuns, 11, 309); },
                   0,
                   {},
                   "unpacks to 308 bytes, but its header says 309 bytes"},
        FormatCase{"NocashUnpacksLong",
                   SourceKind::Nocash,
                   [] { return NocashPackedFile(kRuns, 11, 307); },
                   0,
                   {},
                   "unpacks to more than the 307 bytes"},
        FormatCase{"NocashUnknownMethod",
                   SourceKind::Nocash,
                   [] { return Concat(test_support::NocashHeader(2), Bytes(8, 0)); },
                   0,
                   {},
                   "unknown method 2"},
        FormatCase{"NocashTruncatedHeader",
                   SourceKind::Nocash,
                   [] { return Prefix(test_support::NocashHeader(1), 0x46); },
                   0,
                   {},
                   "shorter than the no$gba header"},
        FormatCase{"NocashPackedHeaderTruncated",
                   SourceKind::Nocash,
                   [] { return Concat(test_support::NocashHeader(1), Bytes(4, 0)); },
                   0,
                   {},
                   "shorter than the no$gba header"},
        FormatCase{"NocashNotAtAll",
                   SourceKind::Nocash,
                   [] { return k8K; },
                   0,
                   {},
                   "does not begin with NocashGbaBackupMediaSavDataFile"},
        FormatCase{"RawIsTheWholeFile", SourceKind::Raw, [] { return kOdd; }, 0, kOdd}));

// The footer written after a save of each chip size makes a .dsv the reader
// takes back: the same save, the footer as its trailer, and a footer that
// says the chip's size as used, padded and memory size.
TEST(DsvFooterTest, ReadsBackForEveryChip) {
    for (const std::uint64_t size : kChipSizes) {
        const Bytes save = PatternBytes(static_cast<std::size_t>(size));
        const auto footer = DsvFooter(size);
        const Bytes file = Concat(save, Bytes(footer.begin(), footer.end()));
        const FoundSave found = FindDsvSave(file);
        ASSERT_EQ(found.problem, "") << size;
        const ByteSpan read = found.Save(file);
        EXPECT_TRUE(std::equal(read.begin(), read.end(), save.begin(), save.end())) << size;
        EXPECT_EQ(found.trailerBytes, kDsvFooterSize);
        EXPECT_EQ(file,
                  DsvFile(save, static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(size),
                          0, Le32(footer, 90), Le32(footer, 94)))
            << size;
    }
}

}  // namespace
}  // namespace ondrel
