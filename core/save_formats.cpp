#include "core/save_formats.h"

#include "core/action_replay_format.h"
#include "core/dsv_format.h"
#include "core/nocash_format.h"

namespace ondrel {

ByteSpan FoundSave::Save(ByteSpan file) const {
    if (packed) return unpacked;
    return file.subspan(headerBytes, storedBytes);
}

FoundSave FindSave(SourceKind kind, ByteSpan file) {
    switch (kind) {
        case SourceKind::Dsv:
            return FindDsvSave(file);
        case SourceKind::Duc:
            return FindActionReplaySave(file);
        case SourceKind::Nocash:
            return FindNocashSave(file);
        default:
            break;
    }
    FoundSave found;
    found.storedBytes = file.size();
    return found;
}

}  // namespace ondrel
