#pragma once

// The 512 KiB J8 image and the rule by which each kind of save is read into it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <system_error>

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

using SaveImage = std::array<std::uint8_t, kSaveImageSize>;
// An image in memory the caller owns: a SaveImage, or a buffer of its size.
using ImageBytes = std::span<std::uint8_t, kSaveImageSize>;

// What a load took from the input.
struct LoadReport {
    std::size_t bytesRead = 0;     // delivered by the first read, into image offset 0
    std::size_t trailerBytes = 0;  // *.sav: bytes from offset 524,288 laid over the front
    std::error_code readError;     // set when a read failed (not for a short read at end of file)
};

// Reads an input of the given cart kind (IsCartKind), open in binary mode at
// its start, into an image the caller has filled with kBlankByte. Bytes the input does not supply
// stay blank. At most two reads, two seeks and one position query.
LoadReport LoadSaveImage(std::FILE* input, SourceKind kind, ImageBytes image);

// The C library's reason for a failed stream operation, or fallback when
// it gave none (errno cleared before the operation).
std::error_code LastStreamError(int fallback);

// Writes the whole image with one write request; the error is set when the
// write failed or was short.
std::error_code StoreSaveImage(std::FILE* output, const SaveImage& image);
std::error_code StoreBytes(std::FILE* output, std::span<const std::uint8_t> bytes);

}  // namespace ondrel
