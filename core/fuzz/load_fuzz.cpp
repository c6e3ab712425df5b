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
#include <memory>
#include <vector>

#include "core/save_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kImage = 512 * 1024;
// Lengths wrap here: past the image and a whole trailer nothing new happens.
constexpr std::size_t kLengthLimit = 1088 * 1024;

// What the J8 image must hold: the save's body at its own offsets; for a
// 256K M3 save only its first 256K; for a DSLink-style *.sav (blank first 16
// bytes, longer than 512K, not a 256K file) the bytes after the 512K body are
// the save's real start and go to the front.
Bytes Model(int kind, const Bytes& file) {
    Bytes image(kImage, 0xFF);
    const std::size_t limit = kind == 1 ? kImage / 2 : kImage;
    for (std::size_t i = 0; i < file.size() && i < limit; ++i) image[i] = file[i];
    if (kind != 2 || file.size() == kImage / 2) return image;
    bool blank = true;
    for (std::size_t i = 0; i < 16; ++i) blank = blank && image[i] == 0xFF;
    if (!blank) return image;
    for (std::size_t i = 0; kImage + i < file.size() && i < 8192; ++i) image[i] = file[kImage + i];
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const int kind = data[0] % 3;
    const std::size_t length =
        (data[1] | (data[2] << 8) | (static_cast<std::size_t>(data[3]) << 16)) % kLengthLimit;
    Bytes file(length, 0xFF);
    if (size > 4 && length > 0) {
        // Repeat the content by doubling copies: the fuzzer's time goes to the loader.
        std::size_t filled = std::min(size - 4, length);
        std::copy(data + 4, data + 4 + filled, file.begin());
        while (filled < length) {
            std::size_t more = std::min(filled, length - filled);
            std::copy(file.begin(), file.begin() + more, file.begin() + filled);
            filled += more;
        }
    }

    std::FILE* in = fmemopen(file.empty() ? nullptr : file.data(), file.size(), "rb");
    if (!in && !file.empty()) std::abort();
    auto image = std::make_unique<ondrel::SaveImage>();
    image->fill(ondrel::kBlankByte);
    if (in) {
        ondrel::LoadSaveImage(in, static_cast<ondrel::SourceKind>(kind), *image);
        std::fclose(in);
    }
    const Bytes expected = Model(kind, file);
    if (!std::equal(expected.begin(), expected.end(), image->begin())) std::abort();
    return 0;
}
