#include "core/tests/test_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string_view>

namespace ondrel::test_support {

Bytes PatternBytes(std::size_t size, std::size_t blankFront) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = i < blankFront ? 0xFF : PatternByte(i);
    return bytes;
}

Bytes ImageOf(const Bytes& file, std::size_t count) {
    Bytes image(512 * 1024, 0xFF);
    std::copy(file.begin(),
              file.begin() + static_cast<std::ptrdiff_t>(std::min(count, file.size())),
              image.begin());
    return image;
}

namespace {

void Put32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(Bytes& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

}  // namespace

Bytes RomHeaderBytes(const std::string& code, bool validChecksum) {
    Bytes header(512, 0);
    const std::string title = "TEST ROM";
    std::copy(title.begin(), title.end(), header.begin());
    std::copy(code.begin(), code.end(), header.begin() + 0x0C);
    header[0x14] = 0x09;  // a 256 Mbit card: any byte past the code counts
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < 0x15E; ++i) {
        crc ^= header[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    if (!validChecksum) crc ^= 0x0100;
    header[0x15E] = static_cast<std::uint8_t>(crc);
    header[0x15F] = static_cast<std::uint8_t>(crc >> 8);
    return header;
}

Bytes DsvFile(const Bytes& save, std::uint32_t padded, std::uint32_t used, std::uint32_t version,
              std::uint32_t type, std::uint32_t addressBytes) {
    Bytes file = save;
    PutText(file,
            "|<--Snip above here to create a raw sav by excluding this DeSmuME savedata footer:");
    for (std::uint32_t value : {used, padded, type, addressBytes, padded, version})
        Put32(file, value);
    PutText(file, "|-DESMUME SAVE-|");
    return file;
}

Bytes DsvFile(const Bytes& save) {
    const auto size = static_cast<std::uint32_t>(save.size());
    return DsvFile(save, size, size);
}

Bytes ActionReplayDsFile(const Bytes& save) {
    // Sized once and copied into: GCC 12 warns falsely of an insert after a resize.
    Bytes file(500 + save.size(), 0);
    const std::string_view magic = "ARDS000000000001";
    std::copy(magic.begin(), magic.end(), file.begin());
    std::copy(save.begin(), save.end(), file.begin() + 500);
    return file;
}

Bytes ActionReplayDsiFile(const Bytes& save, std::uint32_t length) {
    Bytes file(0xA4 + save.size(), 0);
    file[0xA1] = static_cast<std::uint8_t>(length >> 8);
    file[0xA2] = static_cast<std::uint8_t>(length >> 16);
    file[0xA3] = 0xC0;
    std::copy(save.begin(), save.end(), file.begin() + 0xA4);
    return file;
}

Bytes NocashHeader(std::uint32_t method) {
    Bytes file(0x44, ' ');
    const std::string_view name = "NocashGbaBackupMediaSavDataFile\x1A", sram = "SRAM";
    std::copy(name.begin(), name.end(), file.begin());
    std::copy(sram.begin(), sram.end(), file.begin() + 0x40);
    Put32(file, method);
    return file;
}

Bytes NocashStoredFile(const Bytes& save) {
    Bytes file = NocashHeader(0);
    Put32(file, static_cast<std::uint32_t>(save.size()));
    file.insert(file.end(), save.begin(), save.end());
    return file;
}

Bytes NocashPackedFile(const Bytes& runs, std::uint32_t packed, std::uint32_t unpacked) {
    Bytes file = NocashHeader(1);
    Put32(file, packed);
    Put32(file, unpacked);
    file.insert(file.end(), runs.begin(), runs.end());
    return file;
}

Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::filesystem::path SmallDisk() {
    const char* linuxPath = std::getenv("ONDREL_SMALL_DISK");
    if (!linuxPath || !*linuxPath) return {};
    std::string path = std::string("Z:") + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    for (const auto& entry : std::filesystem::directory_iterator(path))
        std::filesystem::remove_all(entry.path());
    return path;
}

TempFolder::TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            std::filesystem::temp_directory_path() / ("ondrel-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            std::filesystem::permissions(path_, std::filesystem::perms::all);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace ondrel::test_support
