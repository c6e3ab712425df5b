// Reading an input once, with a bound: the same for every system, on the C
// library's streams.

#include <algorithm>
#include <cerrno>

#include "platform/file_io.h"

namespace ondrel {
namespace {

std::error_code StreamError() {
    return std::error_code(errno != 0 ? errno : EIO, std::generic_category());
}

// Counts what is left of a stream, up to 4 GiB, so that a report never says
// fewer bytes than the input holds and an endless one cannot hold the run.
std::error_code CountRest(std::FILE* stream, std::uint64_t& size) {
    std::vector<char> rest(64 * 1024);
    errno = 0;
    while (size < (std::uint64_t{1} << 32)) {
        const std::size_t got = std::fread(rest.data(), 1, rest.size(), stream);
        size += got;
        if (got < rest.size()) break;
    }
    return std::ferror(stream) ? StreamError() : std::error_code{};
}

}  // namespace

std::error_code ReadInput(const InputFile& input, std::uint64_t bound,
                          std::vector<std::uint8_t>& bytes, std::uint64_t& size) {
    // The size the system gives, and one byte more, so that a whole read
    // ends short; a stream without one grows from 64 KiB.
    bytes.resize(static_cast<std::size_t>(
        std::min(std::max(input.size + 1, std::uint64_t{1} << 16), bound)));
    std::size_t have = 0;
    errno = 0;
    while (true) {
        have += std::fread(bytes.data() + have, 1, bytes.size() - have, input.stream);
        if (have < bytes.size() || bytes.size() >= bound) break;
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size() * 2, bound)));
    }
    bytes.resize(have);
    if (std::ferror(input.stream)) return StreamError();
    // Read to its end, the input is what was read (a sysfs file says 4096
    // whatever it holds); cut off at the bound, a regular file is as long as
    // the system says, unless it says less (the files of /proc say 0).
    size = have;
    if (have < bound || std::feof(input.stream)) return {};
    if (input.regular && input.size >= have) {
        size = input.size;
        return {};
    }
    return CountRest(input.stream, size);
}

}  // namespace ondrel
