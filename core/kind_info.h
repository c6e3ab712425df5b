#pragma once

// What is known of each kind of save besides its reading rule: its names for
// messages and options, and the sizes its carts (or its chips) have.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/source_kind.h"

namespace ondrel {

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
