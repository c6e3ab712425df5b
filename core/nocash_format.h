#pragma once

// The no$gba save file: a header, then the save stored as it is or packed in
// runs.

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/save_formats.h"

namespace ondrel {

// no$gba: the 0x4C-byte header and the save, or the 0x50-byte header and the
// save packed in runs.
FoundSave FindNocashSave(ByteSpan file);

// Whether a file's first bytes are the header's name: a *.sav that is a
// no$gba file.
bool BeginsAsNocash(ByteSpan head);
inline constexpr std::size_t kNocashNameSize = 31;

}  // namespace ondrel
