#include "core/source_kind.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace ondrel {
namespace {

struct SuffixRule {
    std::string_view upperSuffix;  // compared with the upper-cased end of the path
    SourceKind kind;
    std::string_view outputSuffix;  // replaces the matched suffix
};

// Tried in order; the first match wins, so ".nds.sav" is never taken for ".sav".
// A "*.sav" input gets ".j8.sav" so the proposed output never is the input.
constexpr std::array kSuffixRules = {
    SuffixRule{".NDS.SAV", SourceKind::NdsSav, ".sav"},
    SuffixRule{".SAV", SourceKind::Sav, ".j8.sav"},
    SuffixRule{".DAT", SourceKind::Dat, ".sav"},
};

constexpr std::uint64_t K = 1024;

// The sizes each kind's carts write, as the input chooser's entries name
// them: SC 256K and Acekard 0.5-512K (*.nds.sav), M3 257K (*.dat), DSLink 520K
// and EZ-Flash4 / EWIN2 256K (*.sav).
constexpr SourceKindInfo kKinds[] = {
    {SourceKind::NdsSav, "nds.sav", "nds-sav",
     [](std::uint64_t size) { return size >= 512 && size <= 512 * K && (size & (size - 1)) == 0; },
     "powers of two from 512 bytes to 512 KiB"},
    {SourceKind::Dat, "dat", "dat", [](std::uint64_t size) { return size == 257 * K; },
     "263168 bytes, 257 KiB"},
    {SourceKind::Sav, "sav", "sav",
     [](std::uint64_t size) { return size == 520 * K || size == 256 * K; },
     "532480 bytes, 520 KiB, or 262144 bytes, 256 KiB"},
};

constexpr bool RowsInKindOrder() {
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
    return true;
}
static_assert(RowsInKindOrder(), "InfoOf finds a kind's row by its value");

// Upper-cases ASCII letters only. Byte by byte even in a double-byte code
// page, where a trail byte may be a letter: every suffix starts with '.',
// which is never a lead or a trail byte, so the bytes after it that a suffix
// is compared with are whole single-byte characters.
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EndsWithUpper(std::string_view path, std::string_view upperSuffix) {
    if (path.size() < upperSuffix.size()) return false;
    auto tail = path.substr(path.size() - upperSuffix.size());
    return std::equal(tail.begin(), tail.end(), upperSuffix.begin(),
                      [](char a, char b) { return UpperAscii(a) == b; });
}

}  // namespace

std::optional<Classification> ClassifyInputPath(std::string_view path) {
    for (const auto& rule : kSuffixRules) {
        if (!EndsWithUpper(path, rule.upperSuffix)) continue;
        std::string output(path.substr(0, path.size() - rule.upperSuffix.size()));
        output += rule.outputSuffix;
        return Classification{rule.kind, std::move(output)};
    }
    return std::nullopt;
}

std::span<const SourceKindInfo> SourceKinds() {
    return kKinds;
}

const SourceKindInfo& InfoOf(SourceKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

std::optional<SourceKind> SourceKindNamed(std::string_view name) {
    for (const auto& info : kKinds)
        if (name == info.name || name == info.optionName) return info.kind;
    return std::nullopt;
}

std::string_view SourceKindName(SourceKind kind) {
    return InfoOf(kind).name;
}

}  // namespace ondrel
