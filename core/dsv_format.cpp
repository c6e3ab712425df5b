// The emulator's .dsv: the save padded to its chip size, then a 122-byte
// footer: 82 bytes of text, six u32 (size used, padded size, type, address
// bytes, memory size, version 0) and a 16-byte tag.

#include "core/dsv_format.h"

#include <algorithm>
#include <string>

#include "core/little_endian.h"
#include "core/save_formats.h"

namespace ondrel {
namespace {

constexpr std::string_view kText =
    "|<--Snip above here to create a raw sav by excluding this DeSmuME savedata footer:";
constexpr std::string_view kTag = "|-DESMUME SAVE-|";
static_assert(kText.size() + 6 * 4 + kTag.size() == kDsvFooterSize);
static_assert(kTag.size() == kDsvTagSize);

// Offsets of the numbers from the footer's start.
constexpr std::size_t kUsedAt = kText.size(), kPaddedAt = kUsedAt + 4, kTypeAt = kUsedAt + 8,
                      kAddressBytesAt = kUsedAt + 12, kMemorySizeAt = kUsedAt + 16,
                      kVersionAt = kUsedAt + 20;

// The emulator's chip table: a chip's size, its row (the footer's type) and
// how many address bytes it takes. 128 KiB has no row there; it is written
// as "autodetect" with flash addressing, which the emulator reads back as is.
// The emulator picks the row by the save's size alone, whatever the chip
// is, so a game's chip is named by its size here too: a 64 KiB EEPROM or
// FRAM is the row of EEPROM 512 kbit (two address bytes), a 128 KiB EEPROM
// "autodetect" with three, and the NAND of the few games that have one the
// flash row of its size.
struct ChipRow {
    std::uint64_t size;
    std::uint32_t type, addressBytes;
};
constexpr ChipRow kChipRows[] = {
    {512, 1, 1},       {8 << 10, 2, 2},   {32 << 10, 4, 2},  {64 << 10, 3, 2},  {128 << 10, 0, 3},
    {256 << 10, 5, 3}, {512 << 10, 6, 3}, {1 << 20, 7, 3},   {2 << 20, 8, 3},   {4 << 20, 9, 3},
    {8 << 20, 10, 3},  {16 << 20, 11, 3}, {32 << 20, 12, 3}, {64 << 20, 13, 3},
};

}  // namespace

bool EndsAsDsv(ByteSpan tail) {
    return tail.size() >= kTag.size() &&
           std::equal(kTag.begin(), kTag.end(), tail.end() - kTag.size());
}

FoundSave FindDsvSave(ByteSpan file) {
    FoundSave found;
    if (file.size() < kDsvFooterSize) {
        found.problem = "not a .dsv: " + ByteCount(file.size()) +
                        " is too short for the 122-byte DeSmuME footer";
        return found;
    }
    if (!EndsAsDsv(file)) {
        found.problem =
            "not a .dsv: it does not end with the DeSmuME footer's tag " + std::string(kTag);
        return found;
    }
    const ByteSpan footer = file.last(kDsvFooterSize);
    const std::uint64_t used = Le32(footer, kUsedAt), padded = Le32(footer, kPaddedAt);
    if (const std::uint32_t version = Le32(footer, kVersionAt); version != 0) {
        found.problem =
            "DeSmuME footer of version " + std::to_string(version) + "; only version 0 is known";
    } else if (padded != file.size() - kDsvFooterSize) {
        found.problem = "DeSmuME footer says the save is " + ByteCount(padded) + ", but " +
                        ByteCount(file.size() - kDsvFooterSize) + " " +
                        std::string(Agreeing(file.size() - kDsvFooterSize, "comes", "come")) +
                        " before it";
    } else if (used > padded) {
        found.problem = "DeSmuME footer says " + ByteCount(used) + " " +
                        std::string(Agreeing(used, "was", "were")) + " used of a save of " +
                        ByteCount(padded);
    } else {
        found.storedBytes = padded;
        found.trailer = "the DeSmuME footer";
        found.trailerBytes = kDsvFooterSize;
    }
    return found;
}

std::array<std::uint8_t, kDsvFooterSize> DsvFooter(std::uint64_t chipSize) {
    std::array<std::uint8_t, kDsvFooterSize> footer{};
    std::copy(kText.begin(), kText.end(), footer.begin());
    const ChipRow* row = std::find_if(std::begin(kChipRows), std::end(kChipRows),
                                      [&](const ChipRow& r) { return r.size == chipSize; });
    const auto size = static_cast<std::uint32_t>(chipSize);
    PutLe32(footer, kUsedAt, size);
    PutLe32(footer, kPaddedAt, size);
    PutLe32(footer, kTypeAt, row != std::end(kChipRows) ? row->type : 0);
    PutLe32(footer, kAddressBytesAt, row != std::end(kChipRows) ? row->addressBytes : 3);
    PutLe32(footer, kMemorySizeAt, size);
    PutLe32(footer, kVersionAt, 0);
    std::copy(kTag.begin(), kTag.end(), footer.end() - kTag.size());
    return footer;
}

}  // namespace ondrel
