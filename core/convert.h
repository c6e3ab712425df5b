#pragma once

// One save's conversion from bytes to bytes: no file, window, command line
// or page. A front end reads the input once, up to InputBound, and words the
// report's faults with its own hints (an option, a control, a menu entry).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/game_chips.h"
#include "core/save_formats.h"
#include "core/source_kind.h"

namespace ondrel {

struct ConvertRequest {
    SourceKind kind = SourceKind::NdsSav;  // the rule the input is read by ...
    // ... unless it is Sav and the bytes say otherwise: a *.sav that begins
    // with the no$gba header or ends with the .dsv footer's tag is read as
    // that. Off when the user named the kind.
    bool byContent = false;
    SaveTarget target = SaveTarget::J8;
    std::uint64_t size = 0;  // the chip size of a Raw or Dsv output; 0: the save's own
    // The game, whose chip the planner made the size (core/save_plan.h); the
    // report names it, and warns where the output and its chip disagree.
    std::optional<SaveGame> game = std::nullopt;
};

// The input as read: its first bytes, no more than InputBound(request), and
// how long it is in all (never less than the bytes given).
struct InputBytes {
    ByteSpan head;
    std::uint64_t size = 0;
};

// Why an input gives no output. Each fault that loses bytes says how many,
// where, and what would hold them, so that a front end can say how to keep
// them in its own terms.
enum class FaultKind {
    None,
    NotOfItsKind,      // the bytes are not what the kind says, or their numbers lie
    Empty,             // no save in it
    TooLarge,          // larger than any DS save with its header
    DataPastOutput,    // data past the output's size; a larger output holds it
    PastCartRule,      // bytes past what a cart's save holds
    DataInDatTail,     // data in the 1 KiB an M3 writes after the save
    FrontOverwritten,  // data a *.sav's moved start would overwrite
    OutOfMemory,
    // Refused by its plan, before its bytes (core/save_plan.h):
    NotNamedAsASave,  // no kind from the name, and none chosen
    ChipSizeForJ8,    // a chip size chosen for the J8 image, whose size is fixed
};

struct Fault {
    FaultKind kind = FaultKind::None;
    std::string problem;     // what is wrong, in words no front end's hint is part of
    std::uint64_t lost = 0;  // bytes of data (not 0xFF) that would be lost
    // DataPastOutput: the chip that holds them; none when none does.
    std::optional<std::uint64_t> holder;
};

// How a front end names the ways to keep what a fault would lose: its own
// options or controls, never the core's words.
struct FaultHints {
    std::string_view otherTarget;  // a target that keeps data past a J8 image
    std::string_view sizeBefore;   // before the chip size that holds it ...
    std::string_view sizeAfter;    // ... and after it
    std::string_view keepBytes;    // reading raw keeps bytes past a rule ("it"/"them" follows)
    std::string_view keepFile;     // reading raw keeps a front a move would overwrite
    std::string_view chooseKind;   // naming the kind converts a file of another name
    bool sizesInWords = false;     // "256 KiB", as a control shows it, not "256K"
};

// The fault's problem and, where one exists, the hint that keeps the bytes,
// in parentheses.
std::string WithHint(const Fault& fault, SaveTarget target, const FaultHints& hints);

// What a conversion took from where, in words, and why it gave nothing.
struct ConvertReport {
    SourceKind readAs = SourceKind::NdsSav;  // the rule that read the input
    std::uint64_t used = 0;                  // input bytes that reach the output
    std::uint64_t dropped = 0;               // the rest
    std::vector<std::string> notes;          // bytes dropped, moved, unpacked, added
    std::vector<std::string> warnings;       // converted, but worth a look
    std::optional<SaveGame> game;            // the request's, for the report's first line
    Fault fault;                             // set: no output
};

struct Converted {
    std::vector<std::uint8_t> bytes;  // the output; empty when refused
    ConvertReport report;
};

// Converts one save of any kind. Every byte that is not 0xFF reaches the output, or the
// conversion is refused: only the J8 image of a cart's save keeps the
// cart's rule, which drops what lies past the image (and says so).
Converted Convert(const InputBytes& input, const ConvertRequest& request);

}  // namespace ondrel
