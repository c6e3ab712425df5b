#pragma once

// Byte-string helpers that respect double-byte characters of an ANSI code
// page: in code pages such as 932 the second byte of a character can be an
// ASCII letter or '|', and must not be taken for one.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace framework {

// Turns a filter list written "desc|pattern|desc|pattern|" into the common
// dialogs' form: the same strings each ended by NUL, the list ended by a
// second NUL. A missing closing bar is accepted. Empty for an empty filter.
std::string FilterToDoubleNul(std::string_view filter, UINT codePage = CP_ACP);

// Splits a command line into its arguments as the C runtime does for main:
// blanks and tabs separate them; double quotes keep blanks in one and are
// dropped, and two quotes within quotes give one; backslashes are plain
// unless they stand before a quote, where each pair gives one backslash and
// an odd one makes the quote plain. A double-byte character's trail byte is
// never taken for a quote or a backslash.
std::vector<std::string> SplitCommandLine(std::string_view line, UINT codePage = CP_ACP);

}  // namespace framework
