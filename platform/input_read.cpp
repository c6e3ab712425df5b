// Reading an input once, with a bound: the same for every system, on the
// system's own reads.

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "platform/file_io.h"
#include "platform/system_files.h"

namespace ondrel {
namespace {

class FileErrors : public std::error_category {
public:
    const char* name() const noexcept override { return "file"; }
    std::string message(int value) const override {
        switch (static_cast<FileError>(value)) {
            case FileError::NotRegular:
                return "not a regular file";
            case FileError::ChangedWhileRead:
                return "changed while it was read (another program wrote to it or cut it short)";
            case FileError::FolderNotFlushed:
                return "written, but its folder could not be put on the disk; the new file may be "
                       "lost at a power cut";
        }
        return "unreadable";
    }
};

// Counts what is left of an input, to at most limit + 1 bytes, so that a
// report never says fewer bytes than the input holds and an endless one
// cannot hold the run.
std::error_code CountRest(const InputFile& input, std::uint64_t limit, std::uint64_t& size) {
    std::vector<std::uint8_t> rest(64 * 1024);
    std::error_code error;
    while (size <= limit) {
        const std::size_t got = system::ReadSome(input.Handle(), rest.data(), rest.size(), error);
        if (error || got == 0) break;
        size += got;
    }
    size = std::min(size, limit + 1);
    return error;
}

// Whether a regular file read to its end, or to the bound, is what it was
// when it was opened: as long, written and changed at the same times, and
// giving every byte its length promised. Files of /proc and /sys, which
// hold nothing on a disk, may give fewer.
bool Unchanged(const InputFile& input, std::uint64_t read, bool ended) {
    const std::optional<FileStamp> now = system::StampOf(input.Handle());
    if (!now || *now != input.Stamp()) return false;
    return !ended || read >= input.Size() || !input.Stamp().stored;
}

}  // namespace

std::error_code make_error_code(FileError error) {
    static const FileErrors category;
    return {static_cast<int>(error), category};
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoFile)),
      size_(other.size_),
      regular_(other.regular_),
      stamp_(other.stamp_) {}

InputFile::~InputFile() {
    if (handle_ != kNoFile) system::Close(handle_);
}

std::error_code ReadInput(const InputFile& input, std::uint64_t bound, std::uint64_t limit,
                          InputBuffer& bytes, std::uint64_t& size) {
    // The size the system gives, and one byte more, so that a whole read
    // ends short; an input without one grows from 64 KiB.
    bytes.resize(static_cast<std::size_t>(
        std::min(std::max(input.Size() + 1, std::uint64_t{1} << 16), bound)));
    std::size_t have = 0;
    bool ended = false;
    std::error_code error;
    while (!ended) {
        const std::size_t got =
            system::ReadSome(input.Handle(), bytes.data() + have, bytes.size() - have, error);
        if (error) return error;
        have += got;
        // A regular file that gave exactly the bytes the system says it
        // holds, asked for one more, is at its end: no read is needed to
        // show it. Anything else ends only at a read that gives nothing (the
        // files of /proc say 0 and give a page at a time).
        ended = got == 0 || (input.Regular() && input.Size() > 0 && have == input.Size() &&
                             have < bytes.size());
        if (have < bytes.size()) continue;
        if (bytes.size() >= bound) break;
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size() * 2, bound)));
    }
    bytes.resize(have);
    if (input.Regular() && !Unchanged(input, have, ended)) return FileError::ChangedWhileRead;
    // Read to its end, the input is what was read (a sysfs file says 4096
    // whatever it holds); cut off at the bound, a regular file is as long as
    // the system says, unless it says less.
    size = have;
    if (ended) return {};
    if (input.Regular() && input.Size() >= have) {
        size = input.Size();
        return {};
    }
    return CountRest(input, limit, size);
}

}  // namespace ondrel
