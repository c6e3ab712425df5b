// The .dsv reader against a model of the footer written from its layout:
// any bytes are read as the model reads them, and any save of a chip size
// with the footer the converter writes comes back byte for byte.
//
// Input: one byte picks the mode. Mode 0: the rest is the file. Mode 1: the
// next byte picks a chip size up to 64 KiB, the rest is repeated to fill it.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/dsv_format.h"
#include "core/save_formats.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The save's length, or -1 when the file is no .dsv: 82 bytes of text, six
// u32 (used, padded, type, address bytes, memory size, version), the tag.
long long Model(const std::uint8_t* file, std::size_t size) {
    if (size < 122) return -1;
    const std::uint8_t* footer = file + size - 122;
    if (std::memcmp(footer + 106, "|-DESMUME SAVE-|", 16) != 0) return -1;
    const std::uint32_t used = U32(footer + 82), padded = U32(footer + 86);
    if (U32(footer + 102) != 0 || padded != size - 122 || used > padded) return -1;
    return padded;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    if (data[0] % 2 == 0) {
        const ondrel::ByteSpan file(data + 1, size - 1);
        const ondrel::FoundSave found = ondrel::FindDsvSave(file);
        const long long expected = Model(file.data(), file.size());
        Check(found.problem.empty() == (expected >= 0));
        if (expected >= 0) {
            const ondrel::ByteSpan save = found.Save(file);
            Check(save.data() == file.data() && static_cast<long long>(save.size()) == expected);
        }
        return 0;
    }
    const std::uint64_t chip = ondrel::kChipSizes[data[1] % 4];  // 512 B to 64 KiB
    Bytes file(chip, 0xFF);
    // Repeated by doubling copies, so the time goes to the reader.
    std::size_t filled = std::min<std::size_t>(size - 2, chip);
    std::memcpy(file.data(), data + 2, filled);
    for (; filled > 0 && filled < chip; filled *= 2)
        std::memcpy(file.data() + filled, file.data(),
                    std::min<std::size_t>(filled, chip - filled));
    const auto footer = ondrel::DsvFooter(chip);
    file.insert(file.end(), footer.begin(), footer.end());
    const ondrel::FoundSave found = ondrel::FindDsvSave(file);
    Check(found.problem.empty() && Model(file.data(), file.size()) == static_cast<long long>(chip));
    const ondrel::ByteSpan save = found.Save(file);
    Check(save.size() == chip && std::memcmp(save.data(), file.data(), chip) == 0);
    return 0;
}
