#include "core/byte_notes.h"

#include <algorithm>

namespace ondrel {

std::string ByteRange(std::uint64_t first, std::uint64_t count) {
    if (count == 1) return "byte " + std::to_string(first);
    return "bytes " + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

ByteCounts CountBytes(std::uint64_t inputSize, const LoadReport& load) {
    // Moved trailer bytes take the place of as many bytes at the front.
    const std::uint64_t read = load.bytesRead, trailer = load.trailerBytes;
    ByteCounts counts;
    counts.used = read - std::min(read, trailer) + trailer;
    counts.dropped = inputSize > counts.used ? inputSize - counts.used : 0;
    return counts;
}

std::vector<std::string> ByteNotes(SourceKind kind, std::uint64_t inputSize,
                                   const LoadReport& load) {
    std::vector<std::string> notes;
    const std::uint64_t trailer = load.trailerBytes;
    if (trailer > 0) {
        notes.push_back(ByteRange(0, trailer) + " replaced by " +
                        ByteRange(kSaveImageSize, trailer) +
                        ", the save's start, moved to the front");
    }
    const std::uint64_t limit = kind == SourceKind::Dat ? kDatReadSize : kSaveImageSize + trailer;
    if (inputSize > limit) {
        notes.push_back(ByteRange(limit, inputSize - limit) + " dropped: " +
                        (kind == SourceKind::Dat
                             ? std::string("a dat save is read up to 262144 bytes")
                             : std::string("past the end of the 512 KiB image")));
    }
    return notes;
}

}  // namespace ondrel
