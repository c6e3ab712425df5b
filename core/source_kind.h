#pragma once

// The kinds of save this program reads: how each is recognised by its name,
// what it is called, and which sizes its carts write.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ondrel {

// The kind of source save, told apart by the input file's name alone. The
// values are stable: they are the ones the dialog has always used.
enum class SourceKind : int {
    NdsSav = 0,  // *.nds.sav
    Dat = 1,     // *.dat
    Sav = 2,     // *.sav but not *.nds.sav
};

// What a recognised input name gives: how to read the file and the name the
// converted save is proposed under.
struct Classification {
    SourceKind kind;
    std::string outputPath;

    bool operator==(const Classification&) const = default;
};

// Recognises an input path by its suffix, case-insensitively, and derives the
// output path from the path as given (only the appended suffix is lower
// case). No match for any other name. Looks at the name only.
std::optional<Classification> ClassifyInputPath(std::string_view path);

// What is known of each kind besides its reading rule (save_image.cpp): one
// row per kind, in SourceKind order.
struct SourceKindInfo {
    SourceKind kind;
    std::string_view name;        // short and lower case, for messages: "nds.sav"
    std::string_view optionName;  // the same without a dot, where one is awkward: "nds-sav"
    // The save sizes the kind's carts write, and those sizes in words.
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
