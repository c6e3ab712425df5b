#pragma once

// The table of input suffixes, shared by the dialog's recognition
// (source_kind.cpp) and the converter's output naming (output_naming.cpp).

#include <string_view>

#include "core/source_kind.h"

namespace ondrel {

struct SuffixRule {
    std::string_view upperSuffix;  // compared with the upper-cased end of the path
    SourceKind kind;
    std::string_view outputSuffix;  // a J8 output's, in place of the matched suffix
};

// Whether the path ends with the suffix, ASCII letters compared without case.
bool EndsWithUpper(std::string_view path, std::string_view upperSuffix);

// The rule whose suffix ends the path, case-insensitively; null for none.
const SuffixRule* MatchingSuffixRule(std::string_view path);

}  // namespace ondrel
