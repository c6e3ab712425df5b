#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "core/convert.h"

namespace ondrel::cli {

// Whether a save of this kind and size is one the kind's carts make:
// nds.sav (SC 256K, Acekard 0.5-512K) a power of two from 512 bytes to
// 512 KiB; dat (M3 257K) 263,168 bytes; sav (DSLink 520K, EZ-Flash4 and
// EWIN2 256K) 532,480 or 262,144 bytes.
bool IsCartSize(SourceKind kind, std::uint64_t size);

// The sizes IsCartSize accepts, for a warning.
std::string CartSizesText(SourceKind kind);

// The file bytes that reach the image, and the rest.
struct ByteCounts {
    std::uint64_t used = 0;
    std::uint64_t dropped = 0;
};
ByteCounts CountBytes(const ConvertOutcome& outcome);

// Where a conversion dropped or moved input bytes, one sentence each, in
// file order; none when the whole input was copied to the same offsets.
std::vector<std::string> ByteNotes(SourceKind kind, const ConvertOutcome& outcome);

// The system's reason for a failure, in the short form of strerror where the
// platform's code has one.
std::string ReasonText(std::error_code error);

}  // namespace ondrel::cli
