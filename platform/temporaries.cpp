#include "platform/temporaries.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "platform/system_files.h"

namespace ondrel {
namespace {

constexpr std::string_view kMarker = ".ondrel-";
constexpr std::size_t kRandomLength = 6;

// The folders already cleaned by this process. Conversions run on one thread,
// one at a time.
std::vector<std::string> cleanedFolders;

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

void RemoveStaleTemporaries(const std::string& folder) {
    if (std::find(cleanedFolders.begin(), cleanedFolders.end(), folder) != cleanedFolders.end())
        return;
    cleanedFolders.push_back(folder);
    system::ForEachNameContaining(folder, kMarker, [](const std::string& in, const char* name) {
        auto owner = TemporaryOwner(name);
        if (owner && *owner != system::CurrentProcess() && system::ProcessHasEnded(*owner))
            system::RemoveFile(in + name);
    });
}

}  // namespace ondrel
