#pragma once

// The 512 KiB J8 image, and each cart's rule for what of its save file goes
// into it: one row per cart kind.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <system_error>

#include "core/convert.h"
#include "core/source_kind.h"

namespace ondrel {

// The J8 save is a raw 512 KiB image: no header, no checksum, no byte swap.
inline constexpr std::size_t kSaveImageSize = 0x80000;  // 524,288
// Read limit of a *.dat save, and the one *.sav length that never has a trailer.
inline constexpr std::size_t kDatReadSize = 0x40000;  // 262,144
// Most bytes a *.sav trailer moves to the front of the image.
inline constexpr std::size_t kTrailerSize = 0x2000;  // 8,192
// Leading image bytes that must all be blank for the trailer to be moved.
inline constexpr std::size_t kBlankProbeSize = 16;
inline constexpr std::uint8_t kBlankByte = 0xFF;
// An M3 *.dat: the save's 256 KiB and 1 KiB of the cart's own.
inline constexpr std::uint64_t kM3FileSize = 257 * 1024;

using SaveImage = std::array<std::uint8_t, kSaveImageSize>;

// A cart's rule: how much of its file goes into the image from offset 0,
// whether a blank-fronted file carries its first 8 KiB behind the body, and
// the most its file holds (what lies past that is no part of a save).
struct CartRule {
    SourceKind kind;
    std::size_t imageBytes;
    bool movesTrailer;
    std::uint64_t fileBytes;
};
// The rule of a cart kind; none for the other kinds, which no cart writes.
const CartRule* CartRuleOf(SourceKind kind);

// What a cart's rule takes from a file.
struct CartTake {
    std::size_t bodyBytes = 0;     // laid into the image from offset 0
    std::size_t trailerBytes = 0;  // *.sav: bytes from offset 524,288 laid over the front
};

// The rule of a cart kind applied to an input: at most two runs of its bytes.
// Another kind takes nothing.
CartTake ApplyCartRule(SourceKind kind, const InputBytes& input);

// The most bytes of an input a conversion looks at: a cart's rule reads
// only the front of a J8 save; the other kinds are read whole.
std::uint64_t InputBound(const ConvertRequest& request);

// Whether an input of this many bytes is refused by its size alone, so that
// a front end need not read it.
bool TooLargeToConvert(std::uint64_t size, const ConvertRequest& request);

// The input bytes a load puts into the image, and the rest.
struct ByteCounts {
    std::uint64_t used = 0;
    std::uint64_t dropped = 0;
};
ByteCounts CountBytes(std::uint64_t inputSize, const CartTake& load);

// The J8 image of a cart's save, as the dialog makes it: the bytes the rule
// takes, 0xFF everywhere else. Reports the kind, and the bytes used and
// dropped; refuses no input. For any kind that is not a cart's it refuses
// (Convert reads those).
Converted MakeCartImage(const InputBytes& input, const ConvertRequest& request);

}  // namespace ondrel
