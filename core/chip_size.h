#pragma once

// The sizes of the save chips DS game cards carry, and sizes and counts in
// words: every message that counts something words it here, so number,
// noun, verb and article agree.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ondrel {

inline constexpr std::uint64_t kLargestChip = std::uint64_t{64} << 20;  // 64 MiB

// EEPROM 4 kbit and 64 kbit, FRAM 256 kbit, EEPROM 512 kbit, then flash: 512
// bytes, 8 KiB, 32 KiB, then every power of two up to 64 MiB, ascending. In
// the header so that the dialog's kind table takes no formatting code with it.
inline constexpr std::array<std::uint64_t, 14> kChipSizes = {
    512,     8 << 10, 32 << 10, 64 << 10, 128 << 10, 256 << 10, 512 << 10,
    1 << 20, 2 << 20, 4 << 20,  8 << 20,  16 << 20,  32 << 20,  kLargestChip,
};

constexpr bool IsChipSize(std::uint64_t size) {
    return std::binary_search(kChipSizes.begin(), kChipSizes.end(), size);
}
inline constexpr std::string_view kChipSizesInWords =
    "512 bytes, 8 KiB, or a power of two from 32 KiB to 64 MiB";

// The smallest chip that holds length bytes; none for more than the largest.
constexpr std::optional<std::uint64_t> ChipHolding(std::uint64_t length) {
    auto chip = std::lower_bound(kChipSizes.begin(), kChipSizes.end(), length);
    if (chip == kChipSizes.end()) return std::nullopt;
    return *chip;
}

// "1 byte", "12345 bytes": a count and its noun, singular or plural.
std::string Counted(std::uint64_t count, std::string_view singular, std::string_view plural);
std::string ByteCount(std::uint64_t count);

// The verb that agrees with a count: Agreeing(1, "lies", "lie") is "lies".
std::string_view Agreeing(std::uint64_t count, std::string_view singular, std::string_view plural);

// "a 512 KiB", "an 8 KiB", "an 11 KiB": the article a number is read with.
std::string WithArticle(std::string_view words);

// "512 bytes", "8 KiB", "1 MiB"; other sizes in bytes.
std::string SizeInWords(std::uint64_t size);

// A size as the front ends' choices spell it: "512", "8K", "1M".
std::string ShortSize(std::uint64_t size);
// Reads that spelling back: a decimal number of bytes, or of KiB or MiB with
// K or M (either case) after it; leading zeros change nothing. None for
// anything else (octal, hexadecimal, other suffixes, past 64 bits).
std::optional<std::uint64_t> ParseShortSize(std::string_view text);

}  // namespace ondrel
