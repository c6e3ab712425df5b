#pragma once

// The kinds of save this program reads: how each is recognised by its name,
// what it is called, and which sizes its carts write.

#include <optional>
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
    Raw = 6,     // only the save, of any size; *.srm (RetroArch), unless it ends as a .dsv
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

}  // namespace ondrel
