#pragma once

// The save chip each DS game's card carries, by its game code: the list in
// core/data/ds-save-chips.tsv (MIT License, the melonDS team; see
// core/data/LICENSE-ds-save-chips.txt), made into a table at build time by
// cmake/GameChipTable.cmake. Emulators and loaders take a game's chip from
// its raw save's length, so a save at any other size breaks saving.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/game_code.h"

namespace ondrel {

// The chip's kind as the list names it. Its values are the table's
// (cmake/GameChipTable.cmake).
enum class ChipType : std::uint8_t {
    None,          // the game keeps no save on its card
    Eeprom,        //
    EepromOrFram,  // one or the other, of the same size, on different prints
    Flash,         //
    Nand,          // the few games that keep megabytes
};

struct GameChip {
    std::uint64_t size = 0;  // 0 for ChipType::None
    ChipType type = ChipType::None;

    bool operator==(const GameChip&) const = default;
};

// The chip of a game in the list; none for a code the list does not have.
std::optional<GameChip> ChipOfGame(const GameCode& code);

// A save's game, when one was named: its code and, when the list has it,
// its card's save chip.
struct SaveGame {
    GameCode code{};
    std::optional<GameChip> chip;

    bool operator==(const SaveGame&) const = default;
};

// "1 MiB flash", "8 KiB EEPROM", "512-byte EEPROM", "no save chip".
std::string ChipInWords(const GameChip& chip);
// "game BKIE: 1 MiB flash", "game ZZZZ: not in the list of save chips".
std::string GameInWords(const SaveGame& game);

// Every code of the list, four characters each, in the order it is
// searched in.
std::string_view KnownGameCodes();

}  // namespace ondrel
