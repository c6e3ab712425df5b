#pragma once

// The game of a save, from a ROM: the one --game names for every input, or
// the ROM beside a save under the save's name (Game.nds for Game.sav). Only
// a ROM's header is read.

#include <optional>
#include <string>

#include "core/game_code.h"

namespace ondrel::cli {

// What a ROM says of its game.
struct RomGame {
    std::optional<GameCode> code;  // none: no game the list could know
    // Set when the file is no DS game, or could not be read: why.
    std::string problem;
    // Set when it is a DS game whose code is not four letters or digits.
    std::string noCode;
};

// Reads the header of the ROM at path, through the platform's reading of an
// input, and no further.
RomGame ReadRomGame(const std::string& path);

// The ROM beside the save at savePath: the save's name with its kind's
// suffix replaced by .nds, .dsi or .srl (either case), the first that is a
// regular file; none when none is, or the name says no kind.
std::optional<std::string> RomBeside(const std::string& savePath);

}  // namespace ondrel::cli
