#include "framework/mbcs.h"

#include <utility>

namespace framework {
namespace {

bool IsLeadByte(UINT codePage, char c) {
    return ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) != FALSE;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string FilterToDoubleNul(std::string_view filter, UINT codePage) {
    if (filter.empty()) return {};
    std::string result(filter);
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (IsLeadByte(codePage, result[i]))
            ++i;
        else if (result[i] == '|')
            result[i] = '\0';
    }
    if (result.back() != '\0') result += '\0';
    result += '\0';
    return result;
}

std::vector<std::string> SplitCommandLine(std::string_view line, UINT codePage) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) return arguments;
        std::string argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            if (IsLeadByte(codePage, line[i]) && i + 1 < line.size()) {
                argument.append(line.substr(i, 2));
                i += 2;
                continue;
            }
            std::size_t backslashes = 0;
            for (; i < line.size() && line[i] == '\\'; ++i) ++backslashes;
            if (i == line.size() || line[i] != '"') {
                argument.append(backslashes, '\\');
                if (backslashes == 0) argument += line[i++];
                continue;
            }
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
            } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                argument += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
            ++i;
        }
        arguments.push_back(std::move(argument));
    }
}

}  // namespace framework
