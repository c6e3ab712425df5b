#include "core/game_code.h"

#include <algorithm>

#include "core/chip_size.h"
#include "core/little_endian.h"
#include "core/shown_name.h"

namespace ondrel {
namespace {

constexpr std::size_t kCodeAt = 0x0C;

bool IsCapitalOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
    return crc;
}

RomHeader ReadRomHeader(std::span<const std::uint8_t> head) {
    RomHeader header;
    if (head.size() < kHeaderCrcAt + 2) return header;
    header.dsGame = Crc16(head.first(kHeaderCrcAt)) == Le16(head, kHeaderCrcAt);
    for (std::size_t i = 0; i < header.codeBytes.size(); ++i)
        header.codeBytes[i] = static_cast<char>(head[kCodeAt + i]);
    if (header.dsGame &&
        std::all_of(header.codeBytes.begin(), header.codeBytes.end(), IsCapitalOrDigit))
        header.code = header.codeBytes;
    return header;
}

std::string RomProblem(const RomHeader& header, std::uint64_t size) {
    if (!header.dsGame) {
        return "not a DS game: " +
               (size < kHeaderCrcAt + 2
                    ? ByteCount(size) + ", too short for a DS game's 512-byte header"
                    : std::string("it begins with no DS game's header (the header's checksum at "
                                  "0x15E does not hold)"));
    }
    if (header.code) return {};
    // In quotes, escaped where a byte would not show ("\x00").
    std::string shown = ShownName(std::string(CodeText(header.codeBytes)));
    if (shown.front() != '"') shown = '"' + shown + '"';
    return "its game code " + shown + " is not four letters or digits";
}

std::optional<std::string> RomStem(std::string_view name) {
    for (const std::string_view suffix : kRomSuffixes) {
        if (name.size() <= suffix.size()) continue;
        const std::string_view end = name.substr(name.size() - suffix.size());
        if (std::equal(end.begin(), end.end(), suffix.begin(), [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
            }))
            return std::string(name.substr(0, name.size() - suffix.size()));
    }
    return std::nullopt;
}

std::optional<GameCode> GameCodeNamed(std::string_view text) {
    GameCode code{};
    if (text.size() != code.size()) return std::nullopt;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = text[i];
        code[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (!IsCapitalOrDigit(code[i])) return std::nullopt;
    }
    return code;
}

}  // namespace ondrel
