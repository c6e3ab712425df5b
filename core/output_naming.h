#pragma once

// The names of every target's output, for every kind with a suffix, and for
// names that say no kind.

#include <optional>
#include <string>
#include <string_view>

#include "core/source_kind.h"

namespace ondrel {

// As ClassifyInputPath, for every kind with a suffix (*.dsv, *.duc, *.dss as
// well) and an output of the target: *.sav for J8 and Raw, *.dsv for Dsv.
// Where that would be the input's own suffix, the target's name goes before
// it (NAME.j8.sav, NAME.raw.sav, NAME.new.dsv). For J8 the same as
// ClassifyInputPath wherever that matches.
std::optional<Classification> ClassifyForTarget(std::string_view path, SaveTarget target);

// The name of a save without the suffix that says its kind ("Game" for
// Game.sav, Game.nds.sav or Game.dsv): where the game's ROM beside it is
// looked for. None for a name that says no kind.
std::optional<std::string> SaveStem(std::string_view path);

// The output of an input whose name says no kind: the whole name followed by
// the target's suffix ("NAME.j8.sav", "NAME.raw.sav", "NAME.dsv").
std::string UnrecognisedOutput(std::string_view path, SaveTarget target);

}  // namespace ondrel
