#include "core/save_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/tests/test_files.h"

namespace ondrel {
namespace {

using test_support::Bytes;
using test_support::PatternByte;

// A run of image bytes taken from the file: image[to + i] == file[from + i].
struct Copied {
    std::size_t to, from, count;
};

struct LoadCase {
    const char* name;
    SourceKind kind;
    std::size_t fileSize;
    std::size_t blankFront;  // leading file bytes that are 0xFF
    std::vector<Copied> copied;
    std::size_t trailerBytes;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr std::size_t K = 1024;
constexpr std::size_t kImage = 512 * K;

// The image each save should give, written from the formats: copied runs,
// everything else blank.
Bytes ExpectedImage(const LoadCase& c, const Bytes& file) {
    Bytes image(kImage, 0xFF);
    for (const auto& run : c.copied)
        for (std::size_t i = 0; i < run.count; ++i) image[run.to + i] = file[run.from + i];
    return image;
}

class LoadSaveImageTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSaveImageTest, LaysFileBytesIntoBlankImage) {
    const LoadCase& c = GetParam();
    const Bytes file = test_support::PatternBytes(c.fileSize, c.blankFront);
    // The front of the file the conversion looks at, as a front end reads it.
    const ConvertRequest request{c.kind};
    const InputBytes input{
        ByteSpan(file).first(std::min<std::size_t>(file.size(), InputBound(request))), file.size()};
    const Converted converted = MakeCartImage(input, request);
    if (!IsCartKind(c.kind)) {
        // No cart writes such a file: it has no rule, and no image is made.
        EXPECT_EQ(converted.report.fault.kind, FaultKind::NotOfItsKind);
        EXPECT_EQ(ApplyCartRule(c.kind, input).bodyBytes, 0u);
        return;
    }

    EXPECT_EQ(converted.report.fault.kind, FaultKind::None);
    EXPECT_EQ(ApplyCartRule(c.kind, input).trailerBytes, c.trailerBytes);
    const Bytes expected = ExpectedImage(c, file);
    ASSERT_EQ(converted.bytes.size(), kImage);
    for (std::size_t i = 0; i < kImage; ++i)
        ASSERT_EQ(converted.bytes[i], expected[i]) << "first wrong image byte at offset " << i;
    // What the rule took and left, counted as the reports count it.
    std::size_t taken = 0;
    for (const auto& run : c.copied) taken += run.count;
    EXPECT_EQ(converted.report.used, taken);
    EXPECT_EQ(converted.report.dropped, c.fileSize - taken);
}

using SK = SourceKind;
INSTANTIATE_TEST_SUITE_P(
    Rules, LoadSaveImageTest,
    ::testing::Values(
        // An empty file gives a span of no bytes at all: any offset into it
        // is undefined, which clang's UndefinedBehaviorSanitizer catches.
        LoadCase{"NdsSavEmpty", SK::NdsSav, 0, 0, {}, 0},
        LoadCase{"NdsSav15", SK::NdsSav, 15, 0, {{0, 0, 15}}, 0},
        LoadCase{"NdsSav256K", SK::NdsSav, 256 * K, 0, {{0, 0, 256 * K}}, 0},
        LoadCase{"NdsSav512K", SK::NdsSav, kImage, 0, {{0, 0, kImage}}, 0},
        LoadCase{"NdsSavLongerUsesFirst512K", SK::NdsSav, 540000, 0, {{0, 0, kImage}}, 0},
        LoadCase{"NdsSavBlankFrontNoTrailer", SK::NdsSav, 520 * K, 16, {{0, 0, kImage}}, 0},
        LoadCase{"DatEmpty", SK::Dat, 0, 0, {}, 0},
        LoadCase{"Dat16", SK::Dat, 16, 0, {{0, 0, 16}}, 0},
        LoadCase{"Dat256K", SK::Dat, 256 * K, 0, {{0, 0, 256 * K}}, 0},
        LoadCase{"Dat257KDropsLast1K", SK::Dat, 257 * K, 0, {{0, 0, 256 * K}}, 0},
        LoadCase{"Dat512KSecondHalfBlank", SK::Dat, kImage, 0, {{0, 0, 256 * K}}, 0},
        LoadCase{"DatBlankFrontNoTrailer", SK::Dat, 520 * K, 16, {{0, 0, 256 * K}}, 0},
        LoadCase{"SavEmpty", SK::Sav, 0, 0, {}, 0},
        // Shorter than the probe: the blank image bytes after it count as blank.
        LoadCase{"Sav15Blank", SK::Sav, 15, 15, {{0, 0, 15}}, 0},
        LoadCase{"Sav16Blank", SK::Sav, 16, 16, {{0, 0, 16}}, 0},
        LoadCase{"Sav256K", SK::Sav, 256 * K, 0, {{0, 0, 256 * K}}, 0},
        LoadCase{"Sav256KBlankNeverTrailer", SK::Sav, 256 * K, 16, {{0, 0, 256 * K}}, 0},
        LoadCase{"Sav257KBlankNothingAfterBody", SK::Sav, 257 * K, 16, {{0, 0, 257 * K}}, 0},
        LoadCase{"Sav512K", SK::Sav, kImage, 0, {{0, 0, kImage}}, 0},
        LoadCase{"Sav512KBlank", SK::Sav, kImage, 16, {{0, 0, kImage}}, 0},
        LoadCase{
            "Sav512KPlus1Blank", SK::Sav, kImage + 1, 16, {{0, kImage, 1}, {1, 1, kImage - 1}}, 1},
        LoadCase{"Sav512KPlus100Blank",
                 SK::Sav,
                 kImage + 100,
                 16,
                 {{0, kImage, 100}, {100, 100, kImage - 100}},
                 100},
        LoadCase{"Sav520KNotBlank", SK::Sav, 520 * K, 0, {{0, 0, kImage}}, 0},
        // Fifteen blank bytes are not enough.
        LoadCase{"Sav520K15Blank", SK::Sav, 520 * K, 15, {{0, 0, kImage}}, 0},
        // The 520K layout: the save's first 8K sits after the 512K body.
        LoadCase{"Sav520KBlank",
                 SK::Sav,
                 520 * K,
                 16,
                 {{0, kImage, 8 * K}, {8 * K, 8 * K, kImage - 8 * K}},
                 8 * K},
        LoadCase{"Sav540000BlankTakes8K",
                 SK::Sav,
                 540000,
                 16,
                 {{0, kImage, 8 * K}, {8 * K, 8 * K, kImage - 8 * K}},
                 8 * K},
        // The kinds after the carts' have no row in the carts' table.
        LoadCase{"DsvHasNoCartRule", SK::Dsv, 16, 0, {}, 0},
        LoadCase{"RawHasNoCartRule", SK::Raw, 16, 0, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ondrel
