// Any content of any length, read by each kind's rule, against a model of
// the three rules written from the cart layouts rather than from the loader.
//
// Input: one byte for the kind, three for the file length (little endian,
// wrapped at 1088 KiB), then content that is repeated to fill that length (all 0xFF if
// there is none), so that small inputs reach every size that matters.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/convert.h"
#include "core/save_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kImage = 512 * 1024;
// Lengths wrap here: past the image and a whole trailer nothing new happens.
constexpr std::size_t kLengthLimit = 1088 * 1024;

// Buffers live for the whole run and are filled with whole-block copies: a
// fresh megabyte per input, or a loop over it, would cost the fuzzer most of
// its time (allocation under the sanitizer, counters on every iteration).
// The image the rule makes is the one allocation per input.
Bytes g_file(kLengthLimit);
Bytes g_expected(kImage);

// What the J8 image must hold: the save's body at its own offsets; for a
// 256K M3 save only its first 256K; for a DSLink-style *.sav (blank first 16
// bytes, longer than 512K, not a 256K file) the bytes after the 512K body are
// the save's real start and go to the front.
void Model(int kind, const std::uint8_t* file, std::size_t length, std::uint8_t* image) {
    std::memset(image, 0xFF, kImage);
    const std::size_t limit = kind == 1 ? kImage / 2 : kImage;
    std::memcpy(image, file, std::min(length, limit));
    if (kind != 2 || length == kImage / 2 || length <= kImage) return;
    static const std::uint8_t kBlank[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (std::memcmp(image, kBlank, sizeof kBlank) != 0) return;
    std::memcpy(image, file + kImage, std::min<std::size_t>(length - kImage, 8192));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const int kind = data[0] % 3;
    const std::size_t length =
        (data[1] | (data[2] << 8) | (static_cast<std::size_t>(data[3]) << 16)) % kLengthLimit;
    std::uint8_t* file = g_file.data();
    if (size == 4) {
        std::memset(file, 0xFF, length);
    } else if (length > 0) {
        // Repeat the content by doubling copies: the fuzzer's time goes to the loader.
        std::size_t filled = std::min(size - 4, length);
        std::memcpy(file, data + 4, filled);
        while (filled < length) {
            const std::size_t more = std::min(filled, length - filled);
            std::memcpy(file + filled, file, more);
            filled += more;
        }
    }

    // The front of the file the rule looks at, as a front end reads it.
    const ondrel::ConvertRequest request{static_cast<ondrel::SourceKind>(kind)};
    const ondrel::InputBytes input{
        ondrel::ByteSpan(file, std::min<std::size_t>(length, ondrel::InputBound(request))), length};
    const ondrel::Converted converted = ondrel::MakeCartImage(input, request);
    if (converted.bytes.size() != kImage) std::abort();
    Model(kind, file, length, g_expected.data());
    if (std::memcmp(g_expected.data(), converted.bytes.data(), kImage) != 0) std::abort();
    return 0;
}
