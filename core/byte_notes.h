#pragma once

// What a load took from the input, in words, for a report of the conversion.
// Apart from the image code so that a program that only converts does not
// carry the C library's number formatting.

#include <cstdint>
#include <string>
#include <vector>

#include "core/save_image.h"

namespace ondrel {

// "bytes 8192-8313": count bytes from first, as the notes name them.
std::string ByteRange(std::uint64_t first, std::uint64_t count);

// Where a load of an input of inputSize bytes dropped or moved bytes, one
// sentence each, in file order; none when the whole input was copied to the
// same offsets.
std::vector<std::string> ByteNotes(SourceKind kind, std::uint64_t inputSize, const CartTake& load);

}  // namespace ondrel
