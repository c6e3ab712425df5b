#include "core/source_kind.h"

#include <algorithm>
#include <array>

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

// Byte-wise ASCII upper-casing: bytes above 0x7F (multibyte path characters)
// are left alone, so a lead or trail byte can never be mistaken for a letter.
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

std::string_view SourceKindName(SourceKind kind) {
    switch (kind) {
        case SourceKind::NdsSav:
            return "nds.sav";
        case SourceKind::Dat:
            return "dat";
        case SourceKind::Sav:
            return "sav";
    }
    return "unknown";
}

}  // namespace ondrel
