// Reading an input once, with a bound: the same for every system, on the
// system's own reads.

#include <algorithm>
#include <utility>

#include "platform/file_io.h"
#include "platform/system_files.h"

namespace ondrel {
namespace {

// Counts what is left of an input, up to 4 GiB, so that a report never says
// fewer bytes than the input holds and an endless one cannot hold the run.
std::error_code CountRest(const InputFile& input, std::uint64_t& size) {
    std::vector<std::uint8_t> rest(64 * 1024);
    std::error_code error;
    while (size < (std::uint64_t{1} << 32)) {
        const std::size_t got = system::ReadSome(input.Handle(), rest.data(), rest.size(), error);
        if (error || got == 0) break;
        size += got;
    }
    return error;
}

}  // namespace

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoFile)),
      size_(other.size_),
      regular_(other.regular_) {}

InputFile::~InputFile() {
    if (handle_ != kNoFile) system::Close(handle_);
}

InputMapping::InputMapping(const InputFile& input, std::uint64_t bound) {
    const std::uint64_t size = std::min(input.Size(), bound);
    if (!input.Regular() || size == 0) return;
    start_ = system::MapFile(input.Handle(), static_cast<std::size_t>(size));
    if (!start_) return;
    size_ = static_cast<std::size_t>(size);
    file_ = input.Handle();
    fileSize_ = input.Size();
}

InputMapping::~InputMapping() {
    if (start_) system::Unmap(start_, size_);
}

bool InputMapping::Changed() const {
    return start_ && system::SizeNow(file_) != fileSize_;
}

std::error_code ReadInput(const InputFile& input, std::uint64_t bound,
                          std::vector<std::uint8_t>& bytes, std::uint64_t& size) {
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
    // Read to its end, the input is what was read (a sysfs file says 4096
    // whatever it holds); cut off at the bound, a regular file is as long as
    // the system says, unless it says less.
    size = have;
    if (ended) return {};
    if (input.Regular() && input.Size() >= have) {
        size = input.Size();
        return {};
    }
    return CountRest(input, size);
}

}  // namespace ondrel
