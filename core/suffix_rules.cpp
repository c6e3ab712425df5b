#include "core/suffix_rules.h"

#include <algorithm>

namespace ondrel {
namespace {

// Tried in order; the first match wins, so ".nds.sav" is never taken for ".sav".
// A "*.sav" input gets ".j8.sav" so the proposed output never is the input.
// RetroArch's "*.srm" is a bare save (or a .dsv, by its footer).
constexpr SuffixRule kSuffixRules[] = {
    {".NDS.SAV", SourceKind::NdsSav, ".sav"}, {".SAV", SourceKind::Sav, ".j8.sav"},
    {".DAT", SourceKind::Dat, ".sav"},        {".DSV", SourceKind::Dsv, ".sav"},
    {".DUC", SourceKind::Duc, ".sav"},        {".DSS", SourceKind::Duc, ".sav"},
    {".SRM", SourceKind::Raw, ".sav"},
};

// Upper-cases ASCII letters only. Byte by byte even in a double-byte code
// page, where a trail byte may be a letter: every suffix starts with '.',
// which is never a lead or a trail byte, so the bytes after it that a suffix
// is compared with are whole single-byte characters.
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool EndsWithUpper(std::string_view path, std::string_view upperSuffix) {
    if (path.size() < upperSuffix.size()) return false;
    auto tail = path.substr(path.size() - upperSuffix.size());
    return std::equal(tail.begin(), tail.end(), upperSuffix.begin(),
                      [](char a, char b) { return UpperAscii(a) == b; });
}

const SuffixRule* MatchingSuffixRule(std::string_view path) {
    for (const auto& rule : kSuffixRules)
        if (EndsWithUpper(path, rule.upperSuffix)) return &rule;
    return nullptr;
}

}  // namespace ondrel
