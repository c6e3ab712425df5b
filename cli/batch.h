#pragma once

// What ondrel-convert does with its inputs once the command line is parsed:
// each input planned, refused or converted, and reported.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/game_code.h"
#include "core/source_kind.h"

namespace ondrel::cli {

// What the command line asked for, already checked for consistency.
struct Options {
    std::vector<std::string> inputs;
    std::optional<SourceKind> kind;  // read every input by this kind's rule
    SaveTarget target = SaveTarget::J8;
    std::uint64_t size = 0;  // the output's chip size for Raw and Dsv; 0: the save's own
    // The game of every input, by its code or its ROM (given as one or the
    // other); without either, each input's from the ROM beside it, if any.
    std::optional<GameCode> gameCode;
    std::string gameRom;
    std::string output;     // the output of the one input, when given
    std::string outputDir;  // folder for the derived output names
    bool force = false;     // replace existing outputs, the input itself included
    bool quiet = false;     // no line per converted file
};

// Converts every input the options name, each one tried even when others
// fail; none when the ROM --game names is no DS game. Refusals and failures
// go to err as "ondrel-convert: PATH: reason"; the converted files, with
// what happened to their bytes, to out. Returns the exit status: 0 when
// every input was converted, 1 otherwise.
int ConvertAll(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace ondrel::cli
