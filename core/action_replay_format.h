#pragma once

// The saves of Action Replay DS, MAX Drive and Action Replay DSi: a header,
// then the save.

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/save_formats.h"

namespace ondrel {

// .duc, .dss: "ARDS000000000001" and a 500-byte header, or the 164-byte DSi
// header that gives the save's length; then the save.
FoundSave FindActionReplaySave(ByteSpan file);

}  // namespace ondrel
