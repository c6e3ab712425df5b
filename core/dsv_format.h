#pragma once

// The .dsv of an emulator: the save, then a 122-byte footer that says what
// chip it is and how long.

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/save_formats.h"

namespace ondrel {

// .dsv: the save, then the 122-byte footer that says how long it is.
FoundSave FindDsvSave(ByteSpan file);

// Whether a file's last bytes are the footer's tag: a *.sav that is a .dsv.
bool EndsAsDsv(ByteSpan tail);
inline constexpr std::size_t kDsvTagSize = 16;

// The footer the emulator writes after a save of this chip size.
std::array<std::uint8_t, kDsvFooterSize> DsvFooter(std::uint64_t chipSize);

}  // namespace ondrel
