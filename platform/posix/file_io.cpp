// POSIX file operations: non-blocking opens, and outputs that start as a
// temporary file beside the target with the old file's owner and mode.

#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>

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

// The file a chain of symbolic links ends at, whether it exists or not: that
// file is the one created or replaced, and the links stay. Relative links are
// followed from their own folder without making the path absolute, so a
// working folder deeper than PATH_MAX does not matter.
std::string ResolveLinks(std::string path, std::error_code& error) {
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (hops == 40) {
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return {};
        }
        // One byte more than the link's size shows a link changed meanwhile.
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1,
                         '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0) {
            error = LastError();
            return {};
        }
        if (length == 0 || static_cast<std::size_t>(length) == link.size()) {
            error = std::make_error_code(std::errc::invalid_argument);
            return {};
        }
        link.resize(static_cast<std::size_t>(length));
        path = link.front() == '/' ? link : system::FolderOf(path) + link;
    }
}

// Creates a temporary for target, locked for as long as it stays open, so
// that clean-up by another run can tell it is alive. A clean-up that removed
// the name between the create and the lock is seen and the name made again.
int CreateTemporary(const std::string& target, std::string& temporary, std::error_code& error) {
    const std::string folder = system::FolderOf(target);
    bool shortName = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary =
            TemporaryName(shortName ? (folder.empty() ? "./" : folder) : target, NextRandom());
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == ENAMETOOLONG && !shortName) {
            shortName = true;  // an output name at the length limit
            continue;
        }
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            error = LastError();
            return -1;
        }
        struct stat held, named;
        // Where the file system has no locks, clean-up cannot take one either
        // and leaves every temporary alone.
        if (::flock(fd, LOCK_EX) != 0 && errno == ENOLCK) {  // locks exist, none left now
            error = LastError();
            ::close(fd);
            ::unlink(temporary.c_str());
            return -1;
        }
        if (::fstat(fd, &held) == 0 && ::stat(temporary.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
    error = std::make_error_code(std::errc::file_exists);
    return -1;
}

// An open input: a directory refused as if it could not be opened, the size
// of a regular file taken, and a stream made that owns fd.
InputFile InputFor(int fd, bool nonBlocking, std::error_code& error) {
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || S_ISDIR(st.st_mode)) {
        error = known ? std::make_error_code(std::errc::is_a_directory) : LastError();
        ::close(fd);
        return {};
    }
    InputFile input;
    input.regular = S_ISREG(st.st_mode);
    input.size = input.regular ? static_cast<std::uint64_t>(st.st_size) : 0;
    input.stream = StreamFor(fd, "rb", nonBlocking && !input.regular, error);
    return input;
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
    return InputFor(fd, true, error);
}

InputFile OpenStandardInput(std::error_code& error) {
    int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        error = LastError();
        return {};
    }
    return InputFor(fd, false, error);
}

std::unique_ptr<OutputFile> OutputFile::CreateStandardOutput(std::error_code& error) {
    int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        error = LastError();
        return nullptr;
    }
    std::FILE* stream = StreamFor(fd, "wb", false, error);
    if (!stream) return nullptr;
    return std::unique_ptr<OutputFile>(new OutputFile(stream, "-", {}, true));
}

std::string FollowLinks(const std::string& path) {
    std::error_code error;
    std::string target = ResolveLinks(path, error);
    return error ? path : target;
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, bool replace,
                                               std::error_code& error) {
    const std::string target = ResolveLinks(path, error);
    if (error) return nullptr;
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
            return std::unique_ptr<OutputFile>(new OutputFile(stream, target, {}, replace));
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

    RemoveStaleTemporaries(system::FolderOf(target));
    system::InterruptsHeld held;
    std::string temporary;
    int fd = CreateTemporary(target, temporary, error);
    if (fd < 0) return nullptr;
    // The new file takes the old one's owner (possible when running as root,
    // a no-op for the user's own files) and permissions.
    if (owner) (void)!::fchown(fd, owner->first, owner->second);
    ::fchmod(fd, mode);
    std::FILE* stream = StreamFor(fd, "wb", false, error);
    if (!stream) {
        system::RemoveFile(temporary.c_str());
        return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(stream, target, temporary, replace));
}

}  // namespace ondrel
