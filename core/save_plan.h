#pragma once

// What every front end does with a save before its bytes: from the file's
// name and the user's choices, the rule it is read by, the target and the
// output's name, or why it is not converted; and, once converted, the words
// of its report's first line. The converter adds only what files need
// (folders, links, outputs that exist); the page adds nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/convert.h"
#include "core/source_kind.h"

namespace ondrel {

// What the user chose for every save: the kind's rule to read by (none: the
// name's), the target, the chip size of a bare save or .dsv (0: the save's
// own), and the game the save is of, by its code (from its ROM's header or
// the user's word; none: not known). A chosen size wins; without one, a bare
// save or a .dsv of a game in the list is its chip's size, and of any other
// save the smallest chip that holds it.
struct SaveChoices {
    std::optional<SourceKind> kind;
    SaveTarget target = SaveTarget::J8;
    std::uint64_t chipSize = 0;
    std::optional<GameCode> game = std::nullopt;
};

struct SavePlan {
    ConvertRequest request;
    // Beside the input, named after it for the target; never the input's own.
    std::string outputPath;
    // NotNamedAsASave or ChipSizeForJ8: nothing is converted.
    Fault fault;
};

SavePlan PlanSave(std::string_view path, const SaveChoices& choices);

// "IN -> OUT (KIND, N bytes used / M dropped)", with the names as the front
// end shows them, and ", game CODE: CHIP" when the save's game is known.
std::string Headline(std::string_view input, std::string_view output, const ConvertReport& report);

}  // namespace ondrel
