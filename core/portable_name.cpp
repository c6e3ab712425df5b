#include "core/portable_name.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/utf8.h"

namespace ondrel {

namespace {

// Names of every file system the three write to (ext4, APFS, NTFS, exFAT)
// hold at most 255 bytes of UTF-8.
constexpr std::size_t kLongestName = 255;
// A suffix kept whole when a name is cut: ".sav", ".dsv".
constexpr std::size_t kLongestSuffix = 16;

// Characters a name cannot hold: Windows refuses these, '/' and NUL are no
// name's on any system, and controls (C0, DEL, C1) and the marks that turn
// text's direction (which could show "evas.exe" for "exe.save") are never
// shown for what they are.
bool CannotStand(char32_t code) {
    return IsControl(code) ||
           std::u32string_view(U"<>:\"/\\|?*").find(code) != std::u32string_view::npos ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) ||
           code == 0x200E || code == 0x200F;
}

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 (and COM or LPT
// with a superscript 1, 2 or 3) name devices on Windows, in any case and
// with any suffix: "con.sav" opens the console.
bool IsDeviceName(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (stem == device) return true;
    if (!stem.starts_with("COM") && !stem.starts_with("LPT")) return false;
    const std::string_view number = std::string_view(stem).substr(3);
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace

std::string PortableName(std::string_view name) {
    std::string portable;
    char32_t code = 0;
    for (std::size_t i = 0, length = 0; i < name.size(); i += length) {
        length = Utf8At(name.substr(i), code);
        if (length == 0 || CannotStand(code)) {
            portable += '_';
            length = std::max<std::size_t>(length, 1);
        } else {
            portable += name.substr(i, length);
        }
    }
    // A leading dot hides a file on Linux and macOS, and a device's name
    // opens the device on Windows: either gets '_' before it.
    const bool prefixed = portable.empty() || portable.starts_with('.') || IsDeviceName(portable);
    if (portable.size() + prefixed > kLongestName) {
        const std::size_t dot = portable.rfind('.');
        const std::size_t suffix =
            dot != std::string::npos && portable.size() - dot <= kLongestSuffix
                ? portable.size() - dot
                : 0;
        std::size_t stem = kLongestName - prefixed - suffix;
        // Cut before a character's first byte, never inside it.
        while (stem > 0 && (static_cast<unsigned char>(portable[stem]) & 0xC0u) == 0x80u) --stem;
        portable.erase(stem, portable.size() - suffix - stem);
    }
    // Windows drops a name's trailing dots and blanks.
    for (auto c = portable.rbegin(); c != portable.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
    if (prefixed) portable.insert(0, 1, '_');
    return portable;
}

}  // namespace ondrel
