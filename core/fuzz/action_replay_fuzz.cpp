// The Action Replay reader against a model written from the two headers:
// "ARDS000000000001" and 500 bytes, or four zeros, 0xC0 at 0xA3, 164 bytes
// and the save's length in bytes 0xA1 and 0xA2.
//
// Input: the file. Its first byte picks how it starts (as given, with the DS
// magic, or with a DSi header whose length fits the rest), so that short
// inputs reach both kinds and their edges.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/action_replay_format.h"
#include "core/save_formats.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    bool valid = false;
    std::size_t header = 0, length = 0;
};

Expected Model(const Bytes& file) {
    if (file.size() >= 16 && std::memcmp(file.data(), "ARDS000000000001", 16) == 0)
        return file.size() >= 500 ? Expected{true, 500, file.size() - 500} : Expected{};
    if (file.size() < 0xA4 || file[0] || file[1] || file[2] || file[3] || file[0xA3] != 0xC0)
        return {};
    const std::size_t length = file[0xA1] * 0x100u + file[0xA2] * 0x10000u;
    return length == file.size() - 0xA4 ? Expected{true, 0xA4, length} : Expected{};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    Bytes file(data + 1, data + size);
    switch (data[0] % 3) {
        case 1: {
            const char* magic = "ARDS000000000001";
            file.insert(file.begin(), magic, magic + 16);
            break;
        }
        case 2: {
            Bytes header(0xA4, 0);
            header[0xA3] = 0xC0;
            // A length the rest may match: the file's own, rounded to 256 bytes.
            const std::size_t length = file.size() & ~std::size_t{0xFF};
            header[0xA1] = static_cast<std::uint8_t>(length >> 8);
            header[0xA2] = static_cast<std::uint8_t>(length >> 16);
            file.insert(file.begin(), header.begin(), header.end());
            break;
        }
    }
    const ondrel::FoundSave found = ondrel::FindActionReplaySave(file);
    const Expected expected = Model(file);
    if (found.problem.empty() != expected.valid) std::abort();
    if (!expected.valid) return 0;
    const ondrel::ByteSpan save = found.Save(file);
    if (save.data() != file.data() + expected.header || save.size() != expected.length)
        std::abort();
    return 0;
}
