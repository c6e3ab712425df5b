// The no$gba reader against a model: a second unpacker written from the run
// rules with checked access, and, for any save, a packer whose output the
// reader must unpack to that save.
//
// Input: one byte picks the mode. Mode 0: the rest follows a valid header of
// method 1 whose packed and unpacked lengths come from the next 8 bytes, so
// runs, lengths and their disagreements are all reached. Mode 1: the rest is
// a save, packed here into runs of every kind; it must come back whole.
// Mode 2: the rest is the whole file. Bytes after the save are refused
// unless they are blank padding.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/nocash_format.h"
#include "core/save_formats.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kLargest = 64u << 20;

void Check(bool ok) {
    if (!ok) std::abort();
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Header(std::uint32_t method) {
    const char* name = "NocashGbaBackupMediaSavDataFile\x1A";
    Bytes h(name, name + 32);
    h.resize(0x40, 0);
    h.insert(h.end(), {'S', 'R', 'A', 'M'});
    Put32(h, method);
    return h;
}

// Whether the file ends at `from`, or goes on with one blank byte (0x00 or
// 0xFF) repeated: padding, not save data.
bool BlankOrNothing(const Bytes& file, std::size_t from) {
    if (from >= file.size()) return true;
    const std::uint8_t fill = file[from];
    return (fill == 0x00 || fill == 0xFF) &&
           std::all_of(file.begin() + static_cast<long>(from), file.end(),
                       [fill](std::uint8_t b) { return b == fill; });
}

// The save the file holds, or none. Reads with at(): a read past the
// packed bytes ends the model, never the process.
std::optional<Bytes> Model(const Bytes& file) {
    if (file.size() < 0x48) return std::nullopt;
    // The name and its end-of-text byte, and SRAM; bytes 32-63 are free.
    if (std::memcmp(file.data(), "NocashGbaBackupMediaSavDataFile\x1A", 32) != 0 ||
        std::memcmp(file.data() + 0x40, "SRAM", 4) != 0)
        return std::nullopt;
    const std::uint32_t method = U32(file, 0x44);
    if (method == 0) {
        if (file.size() < 0x4C) return std::nullopt;
        const std::uint64_t length = U32(file, 0x48);
        if (length > kLargest || length > file.size() - 0x4C) return std::nullopt;
        if (!BlankOrNothing(file, 0x4C + length)) return std::nullopt;
        return Bytes(file.begin() + 0x4C, file.begin() + 0x4C + static_cast<long>(length));
    }
    if (method != 1 || file.size() < 0x50) return std::nullopt;
    const std::uint64_t packed = U32(file, 0x48), length = U32(file, 0x4C);
    if (length > kLargest || packed > file.size() - 0x50) return std::nullopt;
    const Bytes runs(file.begin() + 0x50, file.begin() + 0x50 + static_cast<long>(packed));
    Bytes save;
    std::size_t at = 0;
    try {
        for (;;) {
            const unsigned control = runs.at(at++);
            if (control == 0) break;
            if (control < 0x80) {
                for (unsigned i = 0; i < control; ++i) save.push_back(runs.at(at++));
            } else {
                const std::uint8_t value = runs.at(at);
                const unsigned count =
                    control == 0x80 ? runs.at(at + 1) | runs.at(at + 2) << 8 : control - 0x80;
                at += control == 0x80 ? 3 : 1;
                save.insert(save.end(), count, value);
            }
            if (save.size() > length) return std::nullopt;
        }
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
    if (save.size() != length) return std::nullopt;
    if (!BlankOrNothing(file, 0x50 + at)) return std::nullopt;
    return save;
}

// Runs of equal bytes become repeats (long ones with the u16 count), the
// rest copies of at most 127 bytes.
Bytes Pack(const Bytes& save) {
    Bytes runs;
    for (std::size_t at = 0; at < save.size();) {
        std::size_t same = 1;
        while (at + same < save.size() && save[at + same] == save[at] && same < 0xFFFF) ++same;
        if (same >= 3) {
            if (same <= 0x7F) {
                runs.insert(runs.end(), {static_cast<std::uint8_t>(0x80 + same), save[at]});
            } else {
                runs.insert(runs.end(), {0x80, save[at], static_cast<std::uint8_t>(same),
                                         static_cast<std::uint8_t>(same >> 8)});
            }
            at += same;
            continue;
        }
        const std::size_t copy = std::min<std::size_t>({same, 0x7F, save.size() - at});
        runs.push_back(static_cast<std::uint8_t>(copy));
        runs.insert(runs.end(), save.begin() + static_cast<long>(at),
                    save.begin() + static_cast<long>(at + copy));
        at += copy;
    }
    runs.push_back(0);
    return runs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const Bytes rest(data + 1, data + size);
    Bytes file;
    std::optional<Bytes> packedSave;
    switch (data[0] % 3) {
        case 0: {
            if (rest.size() < 8) return 0;
            file = Header(1);
            file.insert(file.end(), rest.begin(), rest.end());
            break;
        }
        case 1: {
            // Long runs are what the u16 count is for: stretch each input byte.
            Bytes save;
            for (std::uint8_t b : rest) save.insert(save.end(), 1 + (b % 4 == 0 ? b * 2 : 0), b);
            const Bytes runs = Pack(save);
            file = Header(1);
            Put32(file, static_cast<std::uint32_t>(runs.size()));
            Put32(file, static_cast<std::uint32_t>(save.size()));
            file.insert(file.end(), runs.begin(), runs.end());
            packedSave = save;
            break;
        }
        default:
            file = rest;
    }
    const ondrel::FoundSave found = ondrel::FindNocashSave(file);
    const std::optional<Bytes> expected = Model(file);
    if (packedSave) Check(expected == packedSave);
    Check(found.problem.empty() == expected.has_value());
    if (!expected) return 0;
    const ondrel::ByteSpan save = found.Save(file);
    Check(save.size() == expected->size() &&
          std::equal(save.begin(), save.end(), expected->begin()));
    return 0;
}
