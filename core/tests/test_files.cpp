#include "core/tests/test_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

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
