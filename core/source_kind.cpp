#include "core/source_kind.h"

#include "core/suffix_rules.h"

namespace ondrel {

std::optional<Classification> ClassifyInputPath(std::string_view path) {
    const SuffixRule* rule = MatchingSuffixRule(path);
    if (!rule || !IsCartKind(rule->kind)) return std::nullopt;
    std::string output(path.substr(0, path.size() - rule->upperSuffix.size()));
    output += rule->outputSuffix;
    return Classification{rule->kind, std::move(output)};
}

}  // namespace ondrel
