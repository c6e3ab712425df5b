// The POSIX steps on one file: opening an input without blocking and asking
// what it is, reading it, looking at a path, and creating, probing and
// writing an output's temporary (held under flock, with the old file's owner
// and mode).

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/system_files.h"

namespace ondrel::system {
namespace {

int Descriptor(FileHandle handle) {
    return static_cast<int>(handle);
}

bool ClearNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

FileStamp StampFrom(const struct stat& st) {
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.written = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.stored = st.st_blocks > 0;
    return stamp;
}

// An open input, asked what it is: a directory refused as if it could not
// be opened, and, where a save file was named (regularOnly), anything but a
// regular file, which may have been put in its place since it was looked
// at. A regular file's size counts from where reading starts: standard
// input may be left anywhere in a file.
InputFile InputFor(int fd, bool regularOnly, std::error_code& error) {
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || S_ISDIR(st.st_mode) || (regularOnly && !S_ISREG(st.st_mode))) {
        error = !known                ? LastError()
                : S_ISDIR(st.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                      : make_error_code(FileError::NotRegular);
        ::close(fd);
        return {};
    }
    if (!S_ISREG(st.st_mode)) return InputFile(fd, 0, false);
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (!regularOnly) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        size -= at > 0 ? std::min(size, static_cast<std::uint64_t>(at)) : 0;
    }
    return InputFile(fd, size, true, StampFrom(st));
}

FileHandle Duplicate(int fd, std::error_code& error) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) error = LastError();
    return copy;
}

}  // namespace

std::optional<FileStamp> StampOf(FileHandle handle) {
    struct stat st;
    if (::fstat(Descriptor(handle), &st) != 0) return std::nullopt;
    return StampFrom(st);
}

PathStep LookAt(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return {errno == ENOENT ? PathKind::Missing : PathKind::Unknown, {}, {}};
    if (S_ISDIR(st.st_mode)) return {PathKind::Directory, {}, {}};
    if (!S_ISLNK(st.st_mode))
        return {S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other, {}, {}};
    // One byte more than the link's size shows a link changed meanwhile.
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0) return {PathKind::Unknown, {}, LastError()};
    if (length == 0 || static_cast<std::size_t>(length) == link.size())
        return {PathKind::Unknown, {}, std::make_error_code(std::errc::invalid_argument)};
    link.resize(static_cast<std::size_t>(length));
    return {PathKind::Link, std::move(link), {}};
}

bool IsAbsolute(const std::string& target) {
    return !target.empty() && target.front() == '/';
}

std::string RootOf(const std::string&) {
    return {};
}

FileHandle DuplicateStandardOutput(std::error_code& error) {
    return Duplicate(STDOUT_FILENO, error);
}

std::size_t ReadSome(FileHandle handle, std::uint8_t* into, std::size_t size,
                     std::error_code& error) {
    while (true) {
        const ssize_t got = ::read(Descriptor(handle), into, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) {
            error = LastError();
            return 0;
        }
    }
}

std::error_code Close(FileHandle handle) {
    return ::close(Descriptor(handle)) == 0 ? std::error_code() : LastError();
}

// Opening the existing output for writing, without truncating it, asks what
// a plain create would: may this user write it, is it a folder, and does a
// pipe have a reader.
ExistingOutput ProbeOutput(const std::string& target, std::error_code& error) {
    ExistingOutput old;
    const int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (probe < 0) {
        if (errno == ENOENT) return old;  // gone since it was looked at
        error = LastError();
        return old;
    }
    struct stat st;
    if (::fstat(probe, &st) != 0) {
        error = LastError();
    } else if (!S_ISREG(st.st_mode)) {
        if (!ClearNonBlocking(probe)) {
            error = LastError();
        } else {
            old.kind = PathKind::Other;
            old.device = probe;
            return old;
        }
    } else {
        old = {PathKind::Regular, kNoFile, st.st_uid, st.st_gid, st.st_mode & 07777u};
    }
    ::close(probe);
    return old;
}

// Created with the old file's mode, or for a new output the mode a plain
// create gives (0666 less the umask); the new file takes the old one's owner
// too (possible when running as root, a no-op for the user's own files).
// Locked before a byte is written, for as long as it stays open, so that
// clean-up by another run can tell it is alive; until then it is empty and
// new, which clean-up leaves alone (RemoveIfAbandoned).
FileHandle CreateTemporary(const std::string& temporary, const ExistingOutput& old,
                           std::error_code& error) {
    const bool replacing = old.kind == PathKind::Regular;
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
    if (fd < 0) {
        error = LastError();
        return kNoFile;
    }
    // Where the file system keeps no locks (NFS without its lock daemon
    // says ENOLCK), clean-up cannot take one either and leaves every
    // temporary alone: the file goes on unlocked. Any other failure to lock
    // it, or to give it the old file's owner and rights (setgid and sticky
    // bits too), fails its creation: unlocked, another run's clean-up could
    // remove it, and a save must not change hands or rights by a conversion.
    int locked;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0 && errno != ENOLCK) error = LastError();
    if (!error && replacing) {
        // As root the owner is given back; a user's own file keeps its user,
        // and a group the user is not in is no failure either.
        if (::fchown(fd, old.owner, old.group) != 0 && errno != EPERM) error = LastError();
        // A file system without rights of its own (FAT, many FUSE mounts) may
        // refuse the change yet give the file the old one's rights anyway.
        struct stat st;
        if (!error && ::fchmod(fd, static_cast<mode_t>(old.mode)) != 0) {
            error = LastError();
            if (::fstat(fd, &st) == 0 && (st.st_mode & 07777u) == old.mode) error.clear();
        }
    }
    if (error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return kNoFile;
    }
    return fd;
}

bool NameMayBeTooLong(std::error_code error) {
    return error == std::errc::filename_too_long;
}

bool IsOutOfHandles(std::error_code error) {
    return error == std::errc::too_many_files_open ||
           error == std::errc::too_many_files_open_in_system;
}

bool IsOutOfRoom(std::error_code error) {
    return error == std::errc::no_space_on_device ||
           (error.category() == std::generic_category() && error.value() == EDQUOT);
}

std::error_code WriteAll(FileHandle handle, std::span<const std::uint8_t> bytes,
                         std::uint64_t& put) {
    put = 0;
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(Descriptor(handle), bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return wrote < 0 ? LastError() : std::make_error_code(std::errc::io_error);
        put += static_cast<std::uint64_t>(wrote);
        bytes = bytes.subspan(static_cast<std::size_t>(wrote));
    }
    return {};
}

}  // namespace ondrel::system

namespace ondrel {

InputFile OpenInputFile(const std::string& path, std::error_code& error) {
    // Non-blocking, so that a pipe or device put in the file's place cannot
    // hold the run; a regular file's reads never wait for it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = system::LastError();
        return {};
    }
    return system::InputFor(fd, true, error);
}

InputFile OpenStandardInput(std::error_code& error) {
    const FileHandle fd = system::Duplicate(STDIN_FILENO, error);
    if (fd == kNoFile) return {};
    return system::InputFor(static_cast<int>(fd), false, error);
}

}  // namespace ondrel
