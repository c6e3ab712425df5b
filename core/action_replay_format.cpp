// Action Replay saves (.duc, .dss). The DS and MAX Drive kind: the magic
// "ARDS000000000001", a 500-byte header, then the save. The DSi kind: four
// zero bytes, 0xC0 at 0xA3, a 164-byte header, then the save, whose length
// is byte 0xA1 << 8 plus byte 0xA2 << 16.

#include "core/action_replay_format.h"

#include <algorithm>
#include <string>

#include "core/save_formats.h"

namespace ondrel {
namespace {

constexpr std::string_view kDsMagic = "ARDS000000000001";
constexpr std::size_t kDsHeaderSize = 500;
constexpr std::size_t kDsiHeaderSize = 0xA4;
constexpr std::size_t kDsiLengthAt = 0xA1, kDsiMarkAt = 0xA3;
constexpr std::uint8_t kDsiMark = 0xC0;

bool BeginsWithZeros(ByteSpan file) {
    return file.size() >= 4 &&
           std::all_of(file.begin(), file.begin() + 4, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

FoundSave FindActionReplaySave(ByteSpan file) {
    FoundSave found;
    if (file.size() >= kDsMagic.size() &&
        std::equal(kDsMagic.begin(), kDsMagic.end(), file.begin())) {
        if (file.size() < kDsHeaderSize) {
            found.problem = "truncated: " + ByteCount(file.size()) +
                            ", shorter than the 500-byte Action Replay DS header";
            return found;
        }
        found.header = "the Action Replay DS header";
        found.headerBytes = kDsHeaderSize;
        found.storedBytes = file.size() - kDsHeaderSize;
        return found;
    }
    if (BeginsWithZeros(file) && file.size() < kDsiHeaderSize) {
        found.problem = "truncated: " + ByteCount(file.size()) +
                        ", shorter than the 164-byte Action Replay DSi header";
        return found;
    }
    if (BeginsWithZeros(file) && file[kDsiMarkAt] == kDsiMark) {
        const std::uint64_t length = (std::uint64_t{file[kDsiLengthAt]} << 8) +
                                     (std::uint64_t{file[kDsiLengthAt + 1]} << 16);
        if (length != file.size() - kDsiHeaderSize) {
            found.problem =
                "Action Replay DSi header says the save is " + ByteCount(length) + ", but " +
                ByteCount(file.size() - kDsiHeaderSize) + " " +
                std::string(Agreeing(file.size() - kDsiHeaderSize, "follows", "follow")) + " it";
            return found;
        }
        found.header = "the Action Replay DSi header";
        found.headerBytes = kDsiHeaderSize;
        found.storedBytes = length;
        return found;
    }
    found.problem =
        "not an Action Replay save: neither the DS header (ARDS000000000001) nor the DSi "
        "header (zeros, then 0xC0 at byte 163)";
    return found;
}

}  // namespace ondrel
