// POSIX file operations: non-blocking opens, and outputs that start as a
// temporary file beside the target with the old file's owner and mode.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/file_io.h"
#include "platform/system_files.h"
#include "platform/temporaries.h"

namespace ondrel {
namespace {

using system::LastError;

bool ClearNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Non-blocking mode only matters for pipes and devices; a regular file's
// reads and writes never wait for it.
std::FILE* StreamFor(int fd, const char* mode, bool nonBlocking, std::error_code& error) {
    std::FILE* stream = (!nonBlocking || ClearNonBlocking(fd)) ? ::fdopen(fd, mode) : nullptr;
    if (!stream) {
        error = LastError();
        ::close(fd);
    }
    return stream;
}

// The file a symbolic link points to is the one replaced; the link stays.
std::string ResolveLinks(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

InputFile OpenInputFile(const std::string& path, std::error_code& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = LastError();
        return {};
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = LastError();
        ::close(fd);
        return {};
    }
    if (S_ISDIR(st.st_mode)) {
        error = std::make_error_code(std::errc::is_a_directory);
        ::close(fd);
        return {};
    }
    InputFile input;
    input.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    input.stream = StreamFor(fd, "rb", !S_ISREG(st.st_mode), error);
    return input;
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, std::error_code& error) {
    const std::string target = ResolveLinks(path);
    mode_t mode = 0;
    std::optional<std::pair<uid_t, gid_t>> owner;  // of an existing output

    // Opening the existing output for writing, without truncating it, asks
    // what a plain create would: may this user write it, is it a folder, and
    // does a pipe have a reader.
    int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (probe >= 0) {
        struct stat st;
        if (::fstat(probe, &st) != 0) {
            error = LastError();
            ::close(probe);
            return nullptr;
        }
        if (!S_ISREG(st.st_mode)) {
            std::FILE* stream = StreamFor(probe, "wb", true, error);
            if (!stream) return nullptr;
            return std::unique_ptr<OutputFile>(new OutputFile(stream, target, {}));
        }
        mode = st.st_mode & 0777;
        owner = {st.st_uid, st.st_gid};
        ::close(probe);
    } else if (errno != ENOENT) {
        error = LastError();
        return nullptr;
    } else {
        mode = NewFileMode();
    }

    // Named after the output, so a temporary left by a killed run is easy to
    // place; an output name at the length limit falls back to a hidden name.
    const std::string folder = system::FolderOf(target);
    RemoveStaleTemporaries(folder);
    const unsigned long pid = system::CurrentProcess();
    std::string temporary = TemporaryTemplate(target, pid);
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0 && errno == ENAMETOOLONG) {
        temporary = TemporaryTemplate(folder.empty() ? "./" : folder, pid);
        fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    }
    if (fd < 0) {
        error = LastError();
        return nullptr;
    }
    // The new file takes the old one's owner (possible when running as root,
    // a no-op for the user's own files) and permissions.
    if (owner) (void)!::fchown(fd, owner->first, owner->second);
    ::fchmod(fd, mode);
    std::FILE* stream = StreamFor(fd, "wb", false, error);
    if (!stream) {
        ::unlink(temporary.c_str());
        return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(stream, target, temporary));
}

}  // namespace ondrel
