#pragma once

// Little-endian numbers in a file's bytes, read and written byte by byte so
// that neither the host's byte order nor alignment matters.

#include <cstddef>
#include <cstdint>
#include <span>

namespace ondrel {

// The caller checks that the bytes are there.
inline std::uint32_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return Le16(bytes, at) | (Le16(bytes, at + 2) << 16);
}

inline void PutLe32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace ondrel
