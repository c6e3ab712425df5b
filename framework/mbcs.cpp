#include "framework/mbcs.h"

namespace framework {
namespace {

bool IsLeadByte(UINT codePage, char c) {
    return ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) != FALSE;
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

}  // namespace framework
