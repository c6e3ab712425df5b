#pragma once

// Reading UTF-8 one character at a time, for the code that shows and makes
// names: bytes that are not UTF-8 are told apart, never taken for text.

#include <cstddef>
#include <string_view>

namespace ondrel {

// The code point of the UTF-8 sequence at the start of text, and its length
// in bytes; 0 when the bytes are not UTF-8 (a stray continuation byte, an
// overlong form, a surrogate, a value past U+10FFFF, a sequence cut short).
inline std::size_t Utf8At(std::string_view text, char32_t& code) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return 0;
        code = code << 6 | (byte(i) & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// C0 and C1 controls and DEL: a terminal acts on them (a newline splits the
// line, U+009B starts a control sequence as ESC [ does) instead of showing
// them.
inline bool IsControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

}  // namespace ondrel
