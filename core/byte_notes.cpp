#include "core/byte_notes.h"
#include "core/kind_info.h"

#include <algorithm>

namespace ondrel {

std::string ByteRange(std::uint64_t first, std::uint64_t count) {
    if (count == 1) return "byte " + std::to_string(first);
    return "bytes " + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

std::vector<std::string> ByteNotes(SourceKind kind, std::uint64_t inputSize, const CartTake& load) {
    std::vector<std::string> notes;
    const std::uint64_t trailer = load.trailerBytes;
    if (trailer > 0) {
        notes.push_back(ByteRange(0, trailer) + " replaced by " +
                        ByteRange(kSaveImageSize, trailer) +
                        ", the save's start, moved to the front");
    }
    const CartRule* const found = CartRuleOf(kind);
    if (!found) return notes;
    const CartRule& rule = *found;
    const std::uint64_t limit = rule.imageBytes + trailer;
    if (inputSize > limit) {
        notes.push_back(ByteRange(limit, inputSize - limit) + " dropped: " +
                        (rule.imageBytes < kSaveImageSize
                             ? "a " + std::string(SourceKindName(kind)) + " save is read up to " +
                                   std::to_string(rule.imageBytes) + " bytes"
                             : std::string("past the end of the 512 KiB image")));
    }
    return notes;
}

}  // namespace ondrel
