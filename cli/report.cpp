#include "cli/report.h"

#include <algorithm>
#include <cctype>

namespace ondrel::cli {
namespace {

constexpr std::uint64_t K = 1024;

std::string Range(std::uint64_t first, std::uint64_t last) {
    return "bytes " + std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace

bool IsCartSize(SourceKind kind, std::uint64_t size) {
    switch (kind) {
        case SourceKind::NdsSav:
            return size >= 512 && size <= kSaveImageSize && (size & (size - 1)) == 0;
        case SourceKind::Dat:
            return size == 257 * K;
        case SourceKind::Sav:
            return size == 520 * K || size == 256 * K;
    }
    return false;
}

std::string CartSizesText(SourceKind kind) {
    switch (kind) {
        case SourceKind::NdsSav:
            return "powers of two from 512 bytes to 512 KiB";
        case SourceKind::Dat:
            return "263168 bytes, 257 KiB";
        case SourceKind::Sav:
            return "532480 bytes, 520 KiB, or 262144 bytes, 256 KiB";
    }
    return {};
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
