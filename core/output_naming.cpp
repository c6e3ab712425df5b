// Output names for every target. Apart from source_kind.cpp so that the
// dialog, which names J8 outputs of cart saves only, carries none of it.

#include "core/output_naming.h"

#include <cstddef>
#include <string>

#include "core/source_kind.h"
#include "core/suffix_rules.h"

namespace ondrel {
namespace {

// The suffix a bare save or a .dsv gets; where it is the input's own, the
// other, so the proposed output never is the input.
struct TargetSuffixes {
    std::string_view suffix;
    std::string_view ownSuffix;     // when the input's suffix is the same
    std::string_view unrecognised;  // appended to a name that says no kind
};
constexpr TargetSuffixes kTargetSuffixes[] = {
    {"", "", ".j8.sav"},               // SaveTarget::J8: the suffix rules' own
    {".sav", ".raw.sav", ".raw.sav"},  // SaveTarget::Raw
    {".dsv", ".new.dsv", ".dsv"},      // SaveTarget::Dsv
};

}  // namespace

std::optional<Classification> ClassifyForTarget(std::string_view path, SaveTarget target) {
    const SuffixRule* rule = MatchingSuffixRule(path);
    if (!rule) return std::nullopt;
    const TargetSuffixes& names = kTargetSuffixes[static_cast<std::size_t>(target)];
    std::string output(path.substr(0, path.size() - rule->upperSuffix.size()));
    if (target == SaveTarget::J8)
        output += rule->outputSuffix;
    else
        output += names.suffix.size() == rule->upperSuffix.size() &&
                          EndsWithUpper(names.suffix, rule->upperSuffix)
                      ? names.ownSuffix
                      : names.suffix;
    return Classification{rule->kind, std::move(output)};
}

std::optional<std::string> SaveStem(std::string_view path) {
    const SuffixRule* rule = MatchingSuffixRule(path);
    if (!rule) return std::nullopt;
    return std::string(path.substr(0, path.size() - rule->upperSuffix.size()));
}

std::string UnrecognisedOutput(std::string_view path, SaveTarget target) {
    return std::string(path) +
           std::string(kTargetSuffixes[static_cast<std::size_t>(target)].unrecognised);
}

}  // namespace ondrel
