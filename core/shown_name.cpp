#include "core/shown_name.h"

#include <cstdio>

#include "core/utf8.h"

namespace ondrel {

namespace {

// "\\x9B", "\\u0085": the escape, then the value in upper-case hexadecimal.
std::string Escaped(const char* escape, unsigned value, int digits) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%0*X", digits, value);
    return escape + std::string(hex);
}

}  // namespace

std::string ShownName(std::string_view text) {
    // Quoted as well: a name that would not be seen at all, empty or blanks only.
    bool plain = text.find_first_not_of(' ') != std::string_view::npos;
    char32_t code = 0;
    for (std::size_t i = 0, length = 0; plain && i < text.size(); i += length) {
        length = Utf8At(text.substr(i), code);
        plain = length != 0 && !IsControl(code);
    }
    if (plain) return std::string(text);
    std::string shown = "\"";
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        length = Utf8At(text.substr(i), code);
        if (length == 0) {
            // A byte that is no part of a UTF-8 character: shown as itself.
            shown += Escaped("\\x", static_cast<unsigned char>(text[i]), 2);
            length = 1;
        } else if (code == '"' || code == '\\') {
            shown += {'\\', static_cast<char>(code)};
        } else if (code == '\n') {
            shown += "\\n";
        } else if (code == '\t') {
            shown += "\\t";
        } else if (code == '\r') {
            shown += "\\r";
        } else if (code < 0x80 && IsControl(code)) {
            shown += Escaped("\\x", code, 2);
        } else if (IsControl(code)) {
            // A C1 control is one character, written as C writes it by its code.
            shown += Escaped("\\u", code, 4);
        } else {
            shown += text.substr(i, length);
        }
    }
    return shown + '"';
}

}  // namespace ondrel
