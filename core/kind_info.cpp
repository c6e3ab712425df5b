// What is known of each kind besides its name and reading rule. Apart from
// source_kind.cpp so that the dialog, which only recognises names, carries
// none of it.

#include "core/kind_info.h"

#include <cstddef>
#include <iterator>

#include "core/chip_size.h"
#include "core/source_kind.h"

namespace ondrel {
namespace {

constexpr std::uint64_t K = 1024;

// The sizes each kind's carts write, as the input chooser's entries name
// them: SC 256K and Acekard 0.5-512K (*.nds.sav), M3 257K (*.dat), DSLink 520K
// and EZ-Flash4 / EWIN2 256K (*.sav), and the J8's own 512K image, which
// players bring back as a *.sav. The other kinds hold a game card's save chip.
constexpr SourceKindInfo kKinds[] = {
    {SourceKind::NdsSav, "nds.sav", "nds-sav",
     [](std::uint64_t size) { return size >= 512 && size <= 512 * K && (size & (size - 1)) == 0; },
     "powers of two from 512 bytes to 512 KiB"},
    {SourceKind::Dat, "dat", "dat", [](std::uint64_t size) { return size == 257 * K; },
     "263168 bytes, 257 KiB"},
    {SourceKind::Sav, "sav", "sav",
     [](std::uint64_t size) { return size == 520 * K || size == 512 * K || size == 256 * K; },
     "532480 bytes, 520 KiB; 524288 bytes, 512 KiB; or 262144 bytes, 256 KiB"},
    {SourceKind::Dsv, "dsv", "dsv", IsChipSize, kChipSizesInWords},
    {SourceKind::Duc, "duc", "duc", IsChipSize, kChipSizesInWords},
    {SourceKind::Nocash, "nocash", "nocash", IsChipSize, kChipSizesInWords},
    {SourceKind::Raw, "raw", "raw", IsChipSize, kChipSizesInWords},
};

constexpr bool RowsInKindOrder() {
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
    return true;
}
static_assert(RowsInKindOrder(), "InfoOf finds a kind's row by its value");

}  // namespace

std::span<const SourceKindInfo> SourceKinds() {
    return kKinds;
}

const SourceKindInfo& InfoOf(SourceKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

std::optional<SourceKind> SourceKindNamed(std::string_view name) {
    for (const auto& info : kKinds)
        if (name == info.name || name == info.optionName) return info.kind;
    return std::nullopt;
}

std::string_view SourceKindName(SourceKind kind) {
    return InfoOf(kind).name;
}

}  // namespace ondrel
