#pragma once

// Where the save lies in the bytes of an emulator's or an Action Replay's
// save file, and the footer an emulator expects after a save in a .dsv. The
// readers work on the whole file in memory and trust none of its numbers;
// all numbers in these files are little-endian.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/chip_size.h"
#include "core/source_kind.h"

namespace ondrel {

using ByteSpan = std::span<const std::uint8_t>;

// Most bytes a file of these kinds is read up to: the largest chip and room
// for any header or packing around it.
inline constexpr std::uint64_t kLargestSaveFile = kLargestChip + (std::uint64_t{1} << 20);

inline constexpr std::size_t kDsvFooterSize = 122;

// A save found in a file's bytes: the file is the header, the save as stored,
// and what follows it.
struct FoundSave {
    std::string problem;                 // why the bytes are not of the kind; nothing else is set
    std::string_view header;             // what precedes the save, in words
    std::uint64_t headerBytes = 0;       //
    std::uint64_t storedBytes = 0;       // the save as the file stores it
    std::string_view trailer;            // what follows it, in words
    std::uint64_t trailerBytes = 0;      //
    bool packed = false;                 // the stored bytes are packed ...
    std::vector<std::uint8_t> unpacked;  // ... into these

    // The save's bytes: in the file, or the unpacked ones.
    ByteSpan Save(ByteSpan file) const;
};

// By the rule of any kind that is not a cart's: Raw is the whole file.
FoundSave FindSave(SourceKind kind, ByteSpan file);

}  // namespace ondrel
