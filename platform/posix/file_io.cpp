// POSIX steps of opening, reading and creating files: non-blocking opens,
// temporaries held under flock, and the old file's owner and mode kept.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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

// An open input: a directory refused as if it could not be opened, the size
// of a regular file taken. Non-blocking mode matters only for pipes and
// devices; a regular file's reads never wait for it.
InputFile InputFor(int fd, bool nonBlocking, std::error_code& error) {
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || S_ISDIR(st.st_mode)) {
        error = known ? std::make_error_code(std::errc::is_a_directory) : LastError();
        ::close(fd);
        return {};
    }
    const bool regular = S_ISREG(st.st_mode);
    if (nonBlocking && !regular && !ClearNonBlocking(fd)) {
        error = LastError();
        ::close(fd);
        return {};
    }
    return InputFile(fd, regular ? static_cast<std::uint64_t>(st.st_size) : 0, regular);
}

FileHandle Duplicate(int fd, std::error_code& error) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) error = LastError();
    return copy;
}

#ifndef __EMSCRIPTEN__
// The file mapped now, for the bus error its shrinking raises when a page
// past its new end is read: that page is replaced by one of zeros, and the
// conversion goes on to an end whose bytes are then thrown away.
std::atomic<const std::uint8_t*> mappedStart{nullptr};
std::atomic<std::size_t> mappedSize{0};
std::uintptr_t pageSize = 4096;

void OnBusError(int, siginfo_t* info, void*) {
    const int interrupted = errno;  // of the code the fault stopped
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    const auto start = reinterpret_cast<std::uintptr_t>(mappedStart.load());
    const bool ours = start != 0 && at >= start && at - start < mappedSize.load();
    void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
    // Not a mapped input's: the default, as the fault repeats.
    if (!ours || ::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                        0) == MAP_FAILED)
        ::signal(SIGBUS, SIG_DFL);
    errno = interrupted;
}

bool CatchBusErrors() {
    static const bool caught = [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, nullptr) == 0;
    }();
    return caught;
}

#endif

}  // namespace

const std::uint8_t* MapFile(FileHandle handle, std::size_t size) {
#ifdef __EMSCRIPTEN__
    // Its mmap copies the file: a read by another name.
    (void)handle;
    (void)size;
    return nullptr;
#else
    if (!CatchBusErrors()) return nullptr;
    void* start = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, Descriptor(handle), 0);
    if (start == MAP_FAILED) return nullptr;
    mappedSize = size;
    mappedStart = static_cast<const std::uint8_t*>(start);
    return static_cast<const std::uint8_t*>(start);
#endif
}

void Unmap(const std::uint8_t* start, std::size_t size) {
#ifndef __EMSCRIPTEN__
    mappedStart = nullptr;
#endif
    ::munmap(const_cast<std::uint8_t*>(start), size);
}

std::uint64_t SizeNow(FileHandle handle) {
    struct stat st;
    if (::fstat(Descriptor(handle), &st) != 0) return UINT64_MAX;
    return static_cast<std::uint64_t>(st.st_size);
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
        old = {PathKind::Regular, kNoFile, st.st_uid, st.st_gid, st.st_mode & 0777u};
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
    // Where the file system has no locks, clean-up cannot take one either
    // and leaves every temporary alone.
    if (::flock(fd, LOCK_EX) != 0 && errno == ENOLCK) {  // locks exist, none left now
        error = LastError();
        ::close(fd);
        ::unlink(temporary.c_str());
        return kNoFile;
    }
    if (replacing) {
        (void)!::fchown(fd, old.owner, old.group);
        ::fchmod(fd, static_cast<mode_t>(old.mode));
    }
    return fd;
}

bool NameMayBeTooLong(std::error_code error) {
    return error == std::errc::filename_too_long;
}

bool IsOutOfRoom(std::error_code error) {
    return error == std::errc::no_space_on_device ||
           (error.category() == std::generic_category() && error.value() == EDQUOT);
}

std::error_code WriteAll(FileHandle handle, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(Descriptor(handle), bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return put < 0 ? LastError() : std::make_error_code(std::errc::io_error);
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return {};
}

}  // namespace ondrel::system

namespace ondrel {

InputFile OpenInputFile(const std::string& path, std::error_code& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
