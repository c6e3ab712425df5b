#include "core/save_image.h"

#include <algorithm>
#include <iterator>

#include "core/save_formats.h"

namespace ondrel {
namespace {

// In SourceKind order. The SC and Acekard (*.nds.sav) and the EZ-Flash4,
// EWIN2 and DSLink (*.sav) write the save from offset 0; some DSLink saves
// keep a blank 8 KiB header and put the save's first 8 KiB after the 512
// KiB body. The M3 (*.dat) writes 1 KiB of its own after the 256 KiB save.
constexpr CartRule kCartRules[] = {
    {SourceKind::NdsSav, kSaveImageSize, false, kSaveImageSize},
    {SourceKind::Dat, kDatReadSize, false, kM3FileSize},
    {SourceKind::Sav, kSaveImageSize, true, kSaveImageSize + kTrailerSize},
};

constexpr bool RowsInKindOrder() {
    for (std::size_t i = 0; i < std::size(kCartRules); ++i)
        if (static_cast<std::size_t>(kCartRules[i].kind) != i) return false;
    return true;
}
static_assert(RowsInKindOrder(), "CartRuleOf finds a kind's row by its value");

bool IsBlank(std::uint8_t b) {
    return b == kBlankByte;
}

}  // namespace

const CartRule* CartRuleOf(SourceKind kind) {
    return IsCartKind(kind) ? &kCartRules[static_cast<std::size_t>(kind)] : nullptr;
}

CartTake ApplyCartRule(SourceKind kind, const InputBytes& input) {
    CartTake load;
    const CartRule* const found = CartRuleOf(kind);
    if (!found) return load;
    const CartRule& rule = *found;
    load.bodyBytes = std::min(input.head.size(), rule.imageBytes);
    // Only a file longer than the image has a trailer, and one of 256 KiB
    // never, whatever its first bytes.
    if (rule.movesTrailer && input.size != kDatReadSize && input.head.size() > kSaveImageSize &&
        std::all_of(input.head.begin(), input.head.begin() + kBlankProbeSize, IsBlank)) {
        load.trailerBytes = std::min(input.head.size() - kSaveImageSize, kTrailerSize);
    }
    return load;
}

ByteCounts CountBytes(std::uint64_t inputSize, const CartTake& load) {
    // Moved trailer bytes take the place of as many bytes at the front.
    const std::uint64_t read = load.bodyBytes, trailer = load.trailerBytes;
    ByteCounts counts;
    counts.used = read - std::min(read, trailer) + trailer;
    counts.dropped = inputSize > counts.used ? inputSize - counts.used : 0;
    return counts;
}

std::uint64_t InputBound(const ConvertRequest& request) {
    const bool cartImage = IsCartKind(request.kind) && request.target == SaveTarget::J8;
    if (request.kind == SourceKind::Sav && request.byContent) return kLargestSaveFile;
    if (cartImage) {
        const CartRule& rule = *CartRuleOf(request.kind);
        return rule.imageBytes + (rule.movesTrailer ? kTrailerSize : 0);
    }
    if (request.kind == SourceKind::Dat || request.kind == SourceKind::Sav)
        return CartRuleOf(request.kind)->fileBytes;
    return kLargestSaveFile;
}

bool TooLargeToConvert(std::uint64_t size, const ConvertRequest& request) {
    return !IsCartKind(request.kind) && size > kLargestSaveFile;
}

Converted MakeCartImage(const InputBytes& input, const ConvertRequest& request) {
    Converted out;
    out.report.readAs = request.kind;
    if (!IsCartKind(request.kind)) {
        out.report.fault = {FaultKind::NotOfItsKind, "not a cart's save", 0, std::nullopt};
        return out;
    }
    const CartTake load = ApplyCartRule(request.kind, input);
    out.bytes.assign(kSaveImageSize, kBlankByte);
    std::copy_n(input.head.begin(), load.bodyBytes, out.bytes.begin());
    // An offset past the input's end is undefined even for a copy of no
    // bytes, so the trailer's is formed only when there is one.
    if (load.trailerBytes > 0)
        std::copy_n(input.head.begin() + kSaveImageSize, load.trailerBytes, out.bytes.begin());
    const ByteCounts counts = CountBytes(input.size, load);
    out.report.used = counts.used;
    out.report.dropped = counts.dropped;
    return out;
}

}  // namespace ondrel
