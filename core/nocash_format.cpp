// no$gba saves: the name "NocashGbaBackupMediaSavDataFile", 0x1A at 0x1F,
// "SRAM" at 0x40 and the method at 0x44. Method 0 stores the save as it is:
// its length at 0x48, the save from 0x4C. Method 1 packs it in runs: the
// packed length at 0x48, the save's length at 0x4C, the runs from 0x50.

#include "core/nocash_format.h"

#include <algorithm>
#include <string>

#include "core/byte_notes.h"
#include "core/little_endian.h"
#include "core/save_formats.h"

namespace ondrel {
namespace {

constexpr std::string_view kName = "NocashGbaBackupMediaSavDataFile";
constexpr std::string_view kSram = "SRAM";
static_assert(kName.size() == kNocashNameSize);
constexpr std::size_t kEofMarkAt = 0x1F, kSramAt = 0x40, kMethodAt = 0x44, kLengthAt = 0x48,
                      kUnpackedLengthAt = 0x4C;
constexpr std::size_t kStoredHeaderSize = 0x4C, kPackedHeaderSize = 0x50;

bool Holds(ByteSpan file, std::size_t at, std::string_view text) {
    return file.size() >= at + text.size() &&
           std::equal(text.begin(), text.end(), file.begin() + at);
}

// Unpacks runs until the 0x00 that ends them: 0x01-0x7F copies that many
// bytes; 0x80 repeats the next byte as often as the u16 after it says;
// 0x81-0xFF repeats the next byte (control - 0x80) times. Never writes past
// length bytes, never reads past the runs; a problem in words, or none.
std::string Unpack(ByteSpan runs, std::uint64_t length, FoundSave& found) {
    static constexpr const char* kRunsPast = "the packed save runs past its packed length";
    auto& out = found.unpacked;
    out.reserve(length);
    std::size_t at = 0;
    while (true) {
        if (at >= runs.size()) return kRunsPast;
        const std::uint8_t control = runs[at++];
        if (control == 0) break;
        const std::size_t operand = control < 0x80 ? control : control == 0x80 ? 3 : 1;
        if (runs.size() - at < operand) return kRunsPast;
        const std::size_t count = control < 0x80    ? control
                                  : control == 0x80 ? Le16(runs, at + 1)
                                                    : control - 0x80u;
        if (length - out.size() < count)
            return "the packed save unpacks to more than the " + ByteCount(length) +
                   " its header says";
        if (control < 0x80)
            out.insert(out.end(), runs.begin() + at, runs.begin() + at + count);
        else
            out.insert(out.end(), count, runs[at]);
        at += operand;
    }
    if (out.size() != length)
        return "the packed save unpacks to " + ByteCount(out.size()) + ", but its header says " +
               ByteCount(length);
    found.storedBytes = at;
    return {};
}

}  // namespace

bool BeginsAsNocash(ByteSpan head) {
    return Holds(head, 0, kName);
}

FoundSave FindNocashSave(ByteSpan file) {
    FoundSave found;
    if (!BeginsAsNocash(file)) {
        found.problem = "not a no$gba save: it does not begin with " + std::string(kName);
        return found;
    }
    if (file.size() < kLengthAt + 4) {
        found.problem = "truncated: " + ByteCount(file.size()) + ", shorter than the no$gba header";
        return found;
    }
    if (file[kEofMarkAt] != 0x1A || !Holds(file, kSramAt, kSram)) {
        found.problem = "not a no$gba save of a DS card: no 0x1A at byte 31 or no SRAM at byte 64";
        return found;
    }
    const std::uint32_t method = Le32(file, kMethodAt);
    const std::size_t header = method == 0 ? kStoredHeaderSize : kPackedHeaderSize;
    if (method > 1) {
        found.problem = "no$gba save of unknown method " + std::to_string(method) +
                        " (0 stores the save, 1 packs it)";
        return found;
    }
    if (file.size() < header) {
        found.problem = "truncated: " + ByteCount(file.size()) + ", shorter than the no$gba header";
        return found;
    }
    const std::uint64_t length = Le32(file, method == 0 ? kLengthAt : kUnpackedLengthAt);
    if (length > kLargestChip) {
        found.problem = "no$gba header says the save is " + ByteCount(length) +
                        ", more than the largest save chip (64 MiB)";
        return found;
    }
    const std::uint64_t stored = method == 0 ? length : Le32(file, kLengthAt);
    if (stored > file.size() - header) {
        found.problem = "truncated: the no$gba header says " + ByteCount(stored) +
                        (method ? " packed" : "") + " follow it, but " +
                        ByteCount(file.size() - header) + " " +
                        std::string(Agreeing(file.size() - header, "does", "do"));
        return found;
    }
    found.header = "the no$gba header";
    found.headerBytes = header;
    found.storedBytes = stored;
    if (method == 1) {
        found.packed = true;
        if (std::string problem = Unpack(file.subspan(header, stored), length, found);
            !problem.empty()) {
            FoundSave refused;
            refused.problem = std::move(problem);
            return refused;
        }
    }
    // Bytes after the save (after the runs' end, or past the lengths the
    // header gives) are none of the save the header describes. Blank padding
    // is dropped; anything else may be the player's and is not thrown away.
    const ByteSpan after = file.subspan(header + found.storedBytes);
    if (after.empty()) return found;
    const std::uint8_t fill = after.front();
    if ((fill != 0x00 && fill != 0xFF) ||
        !std::all_of(after.begin(), after.end(), [fill](std::uint8_t b) { return b == fill; })) {
        FoundSave refused;
        refused.problem = ByteRange(header + found.storedBytes, after.size()) + " " +
                          std::string(Agreeing(after.size(), "follows", "follow")) +
                          " the save that the no$gba header describes and would be lost";
        return refused;
    }
    found.trailer =
        fill == 0 ? "padding after the save (all 0x00)" : "padding after the save (all 0xFF)";
    found.trailerBytes = after.size();
    return found;
}

}  // namespace ondrel
