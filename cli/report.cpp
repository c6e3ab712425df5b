#include "cli/report.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>

namespace ondrel::cli {
namespace {

constexpr std::uint64_t K = 1024;

std::string Range(std::uint64_t first, std::uint64_t last) {
    return "bytes " + std::to_string(first) + "-" + std::to_string(last);
}

// The sizes each kind's carts write, as the input chooser's entries name
// them: SC 256K and Acekard 0.5-512K (*.nds.sav), M3 257K (*.dat), DSLink 520K
// and EZ-Flash4 / EWIN2 256K (*.sav).
struct CartSizes {
    SourceKind kind;
    bool (*fits)(std::uint64_t size);
    std::string_view text;
};

constexpr CartSizes kCartSizes[] = {
    {SourceKind::NdsSav,
     [](std::uint64_t size) {
         return size >= 512 && size <= kSaveImageSize && (size & (size - 1)) == 0;
     },
     "powers of two from 512 bytes to 512 KiB"},
    {SourceKind::Dat, [](std::uint64_t size) { return size == 257 * K; }, "263168 bytes, 257 KiB"},
    {SourceKind::Sav, [](std::uint64_t size) { return size == 520 * K || size == 256 * K; },
     "532480 bytes, 520 KiB, or 262144 bytes, 256 KiB"},
};

const CartSizes& CartSizesOf(SourceKind kind) {
    return *std::find_if(std::begin(kCartSizes), std::end(kCartSizes),
                         [kind](const CartSizes& sizes) { return sizes.kind == kind; });
}

}  // namespace

bool IsCartSize(SourceKind kind, std::uint64_t size) {
    return CartSizesOf(kind).fits(size);
}

std::string CartSizesText(SourceKind kind) {
    return std::string(CartSizesOf(kind).text);
}

ByteCounts CountBytes(const ConvertOutcome& outcome) {
    // Moved trailer bytes take the place of as many bytes at the front.
    const std::uint64_t read = outcome.load.bytesRead, trailer = outcome.load.trailerBytes;
    ByteCounts counts;
    counts.used = read - std::min(read, trailer) + trailer;
    counts.dropped = outcome.inputSize > counts.used ? outcome.inputSize - counts.used : 0;
    return counts;
}

std::vector<std::string> ByteNotes(SourceKind kind, const ConvertOutcome& outcome) {
    std::vector<std::string> notes;
    const std::uint64_t size = outcome.inputSize, trailer = outcome.load.trailerBytes;
    if (trailer > 0) {
        notes.push_back(Range(0, trailer - 1) + " replaced by " +
                        Range(kSaveImageSize, kSaveImageSize + trailer - 1) +
                        ", the save's start, moved to the front");
    }
    const std::uint64_t limit = kind == SourceKind::Dat ? kDatReadSize : kSaveImageSize + trailer;
    if (size > limit) {
        notes.push_back(Range(limit, size - 1) + " dropped: " +
                        (kind == SourceKind::Dat
                             ? std::string("a dat save is read up to 262144 bytes")
                             : std::string("past the end of the 512 KiB image")));
    }
    return notes;
}

std::string ReasonText(std::error_code error) {
    const std::error_condition condition = error.default_error_condition();
    std::string text =
        condition.category() == std::generic_category() ? condition.message() : error.message();
    while (!text.empty() &&
           (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace ondrel::cli
