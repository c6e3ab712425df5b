#pragma once

// The game a save belongs to, by the four-character code at offset 0x0C of
// its ROM's header: how the code is read from a header's bytes, and from a
// user's text. Bytes and text only; reading the ROM is a front end's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ondrel {

// Four capitals or digits: "BKIE".
using GameCode = std::array<char, 4>;

// Everything of a ROM that tells its game: the header's first 512 bytes.
inline constexpr std::size_t kRomHeaderSize = 512;

// The names a DS or DSi game's ROM is kept under, in the order a ROM beside
// a save is looked for.
inline constexpr std::array<std::string_view, 3> kRomSuffixes = {".nds", ".dsi", ".srl"};

// What a ROM's header says of its game.
struct RomHeader {
    // The header's checksum holds: the bytes are a DS (or DSi) game's. Any
    // other file fails it, bar one in 65536 by chance.
    bool dsGame = false;
    // Its code, when it is four capitals or digits (homebrew often carries
    // none, or "####"): the list of games' chips knows no other.
    std::optional<GameCode> code;
    GameCode codeBytes{};  // the code's bytes as they are, for messages
};

// Reads a header from a file's first bytes (at most kRomHeaderSize are
// looked at); too few bytes are no DS game.
RomHeader ReadRomHeader(std::span<const std::uint8_t> head);

// The header's checksum is this CRC-16 (reflected polynomial 0xA001,
// initial value 0xFFFF, the one MODBUS uses) of its bytes 0x000-0x15D,
// stored little-endian at 0x15E.
inline constexpr std::size_t kHeaderCrcAt = 0x15E;
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Why a file that begins with these bytes (size bytes in all) is no DS
// game ("not a DS game: ..."), or why the game it is has no code a list
// could know ("its game code \"####\" is not four letters or digits"); empty
// for a game with a code. The same words in every front end.
std::string RomProblem(const RomHeader& header, std::uint64_t size);

// The name of a game's ROM without its suffix (.nds, .dsi or .srl, in any
// case): what a save's name is paired by. None for any other name.
std::optional<std::string> RomStem(std::string_view name);

// A code as a user writes it: four letters or digits, either case; none for
// anything else.
std::optional<GameCode> GameCodeNamed(std::string_view text);

inline std::string_view CodeText(const GameCode& code) {
    return {code.data(), code.size()};
}

}  // namespace ondrel
