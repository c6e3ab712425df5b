#include "core/chip_size.h"

namespace ondrel {
namespace {

constexpr std::uint64_t K = 1024;
constexpr std::uint64_t M = 1024 * K;

}  // namespace

std::string ByteCount(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string SizeInWords(std::uint64_t size) {
    if (size >= M && size % M == 0) return std::to_string(size / M) + " MiB";
    if (size >= K && size % K == 0) return std::to_string(size / K) + " KiB";
    return ByteCount(size);
}

std::string SizeOption(std::uint64_t size) {
    if (size >= M && size % M == 0) return std::to_string(size / M) + "M";
    if (size >= K && size % K == 0) return std::to_string(size / K) + "K";
    return std::to_string(size);
}

}  // namespace ondrel
