#include "platform/temporary_name.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace ondrel {
namespace {

constexpr std::string_view kMarker = ".ondrel-";
constexpr std::size_t kRandomLength = 6;

bool IsAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

std::string TemporaryTemplate(const std::string& path, unsigned long pid) {
    return path + std::string(kMarker) + std::to_string(pid) + "-" +
           std::string(kRandomLength, 'X');
}

std::optional<unsigned long> TemporaryOwner(std::string_view name) {
    // <anything>.ondrel-<digits>-<six letters or digits>
    if (name.size() < kMarker.size() + 2 + kRandomLength) return std::nullopt;
    std::string_view random = name.substr(name.size() - kRandomLength);
    if (!std::all_of(random.begin(), random.end(), IsAlnum)) return std::nullopt;
    name.remove_suffix(kRandomLength);
    if (name.back() != '-') return std::nullopt;
    name.remove_suffix(1);
    const auto marker = name.rfind(kMarker);
    if (marker == std::string_view::npos) return std::nullopt;
    std::string_view digits = name.substr(marker + kMarker.size());
    unsigned long pid = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return pid;
}

}  // namespace ondrel
