#pragma once

// Real temporary files for the tests: a private folder per test, and save
// contents whose every byte depends on its offset, so a byte copied to the
// wrong place shows.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ondrel::test_support {

using Bytes = std::vector<std::uint8_t>;

// Byte at offset i of a generated save; never 0xFF, so a blank image byte
// always differs from a copied one.
inline std::uint8_t PatternByte(std::uint64_t i) {
    auto b = static_cast<std::uint8_t>((i * 7) ^ (i >> 8) * 13 ^ (i >> 16) * 101);
    return b == 0xFF ? 0x5A : b;
}

// size bytes of pattern, the first blankFront of them set to 0xFF.
Bytes PatternBytes(std::size_t size, std::size_t blankFront = 0);

// A 512 KiB image that starts with the first count bytes of file and is
// blank after them.
Bytes ImageOf(const Bytes& file, std::size_t count);

// Save files of the emulators and Action Replay, laid out from their formats
// around a save (all numbers little-endian).
// The save, then the 122-byte footer; the numbers may be made to disagree.
Bytes DsvFile(const Bytes& save, std::uint32_t padded, std::uint32_t used,
              std::uint32_t version = 0, std::uint32_t type = 0, std::uint32_t addressBytes = 3);
Bytes DsvFile(const Bytes& save);
Bytes ActionReplayDsFile(const Bytes& save);  // "ARDS000000000001", 500-byte header
// Four zeros, the length at 0xA1-0xA2, 0xC0 at 0xA3; a 164-byte header.
Bytes ActionReplayDsiFile(const Bytes& save, std::uint32_t length);
Bytes NocashHeader(std::uint32_t method);  // the 0x48 bytes up to the lengths
Bytes NocashStoredFile(const Bytes& save);
// Method 1 with the given runs and the lengths the header states.
Bytes NocashPackedFile(const Bytes& runs, std::uint32_t packed, std::uint32_t unpacked);

// A DS game's ROM as far as its header: 512 bytes with the code at 0x0C
// and, unless told otherwise, the checksum at 0x15E that makes it a DS
// game's (CRC-16, reflected polynomial 0xA001, from 0xFFFF, over 0x000-0x15D).
Bytes RomHeaderBytes(const std::string& code, bool validChecksum = true);

Bytes ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);

// The small disk a Windows test run mounts (ONDREL_SMALL_DISK, a Linux path),
// as the program sees it through Wine's Z: drive, emptied for the caller.
// Empty when the run names none.
std::filesystem::path SmallDisk();

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes. Readable by every user, for tests that drop
// privileges.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // The names of everything in the folder, sorted.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path_;
};

}  // namespace ondrel::test_support
