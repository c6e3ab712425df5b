#pragma once

// The kinds of save this program reads: how each is recognised by its name,
// what it is called, and which sizes its carts write.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ondrel {

// The kind of source save. The first three are the flash carts' saves, told
// apart by the input file's name alone; their values are stable, as the
// dialog has always used them. The others are emulator and Action Replay
// saves and bare saves, which only the command-line converter reads.
enum class SourceKind : int {
    NdsSav = 0,  // *.nds.sav
    Dat = 1,     // *.dat
    Sav = 2,     // *.sav but not *.nds.sav
    Dsv = 3,     // *.dsv: the save, then a 122-byte footer
    Duc = 4,     // *.duc, *.dss: a 500-byte (DS) or 164-byte (DSi) header, then the save
    Nocash = 5,  // a *.sav that begins with the no$gba header; the save may be packed
    Raw = 6,     // only the save, of any size
};

// The flash carts' kinds, read into the J8 image by save_image.cpp's rules.
constexpr bool IsCartKind(SourceKind kind) {
    return kind == SourceKind::NdsSav || kind == SourceKind::Dat || kind == SourceKind::Sav;
}

// What a recognised input name gives: how to read the file and the name the
// converted save is proposed under.
struct Classification {
    SourceKind kind;
    std::string outputPath;

    bool operator==(const Classification&) const = default;
};

// Recognises an input path by its suffix, case-insensitively, and derives the
// output path from the path as given (only the appended suffix is lower
// case). No match for any other name. Looks at the name only, and knows the
// carts' kinds only: the dialog's rule.
std::optional<Classification> ClassifyInputPath(std::string_view path);

// What a converted save is written as: the 512 KiB J8 image, the bare save,
// or the save with the footer of a .dsv.
enum class SaveTarget { J8, Raw, Dsv };

// As ClassifyInputPath, for every kind with a suffix (*.dsv, *.duc, *.dss as
// well) and an output of the target: *.sav for J8 and Raw, *.dsv for Dsv.
// Where that would be the input's own suffix, the target's name goes before
// it (NAME.j8.sav, NAME.raw.sav, NAME.new.dsv). For J8 the same as
// ClassifyInputPath wherever that matches.
std::optional<Classification> ClassifyForTarget(std::string_view path, SaveTarget target);

// The output of an input whose name says no kind: the whole name followed by
// the target's suffix ("NAME.j8.sav", "NAME.raw.sav", "NAME.dsv").
std::string UnrecognisedOutput(std::string_view path, SaveTarget target);

// What is known of each kind besides its reading rule (save_image.cpp): one
// row per kind, in SourceKind order.
struct SourceKindInfo {
    SourceKind kind;
    std::string_view name;        // short and lower case, for messages: "nds.sav"
    std::string_view optionName;  // the same without a dot, where one is awkward: "nds-sav"
    // The save sizes the kind's carts write, and those sizes in words. For
    // the kinds that are not a cart's, the sizes of the save inside the file.
    bool (*isCartSize)(std::uint64_t size);
    std::string_view cartSizes;
};

std::span<const SourceKindInfo> SourceKinds();
const SourceKindInfo& InfoOf(SourceKind kind);

// The kind a user names by either of its names ("nds-sav" or "nds.sav");
// exact, lower case.
std::optional<SourceKind> SourceKindNamed(std::string_view name);

// A short lower-case name of the kind ("nds.sav", "dat", "sav") for messages.
std::string_view SourceKindName(SourceKind kind);

}  // namespace ondrel
