// The POSIX steps of writing an output. On Linux a group's files are put on
// the disk with one sync of each file system instead of one per file, and an
// existing output is kept by the rename itself (RENAME_NOREPLACE).

#include "platform/system_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <map>

#include "platform/file_io.h"
#include "platform/temporaries.h"

namespace ondrel::system {
namespace {

std::string OpenableFolder(const std::string& folder) {
    return folder.empty() ? "." : folder;
}

// Keeps the target by linking the temporary to it, which fails when the
// target exists, then dropping the temporary's name; for file systems and
// systems without an exclusive rename. A file system without hard links
// either (FAT on some systems, many FUSE mounts) gets the check and the
// rename as two steps, as a plain copy would.
std::error_code LinkIntoPlace(const std::string& temporary, const std::string& target) {
    if (::link(temporary.c_str(), target.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return {};
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS)
        return LastError();
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) return std::make_error_code(std::errc::file_exists);
    return ::rename(temporary.c_str(), target.c_str()) == 0 ? std::error_code() : LastError();
}

sigset_t heldFrom;  // the signal mask before HoldInterrupts

void OnInterrupt(int signal) {
    RemoveRegisteredTemporaries();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::uint64_t FreeBytes(const std::string& folder) {
    struct statvfs st;
    if (::statvfs(OpenableFolder(folder).c_str(), &st) != 0)
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

std::error_code FlushOutput(std::FILE* stream, bool temporary) {
    if (std::fflush(stream) != 0) return LastError();
#ifdef __linux__
    // Starts writing the bytes out now, while the next files are prepared, so
    // that little is left for SyncOutputs to wait for.
    if (temporary) ::sync_file_range(::fileno(stream), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)temporary;
#endif
    return {};
}

// A lone file is synced on its own. Several are put on the disk with one
// write-back of each file system holding one of them; a file on a file
// system whose sync failed, or any file on a system without syncfs, is
// synced on its own, so each gets its own result.
std::vector<std::error_code> SyncOutputs(const std::vector<std::FILE*>& streams) {
    std::vector<std::error_code> results(streams.size());
    std::vector<bool> synced(streams.size(), false);
#ifdef __linux__
    if (streams.size() > 1) {
        std::map<dev_t, bool> fileSystems;  // whether its sync succeeded
        for (std::size_t i = 0; i < streams.size(); ++i) {
            const int fd = ::fileno(streams[i]);
            struct stat st;
            if (::fstat(fd, &st) != 0) continue;
            auto [system, unseen] = fileSystems.emplace(st.st_dev, false);
            if (unseen) system->second = ::syncfs(fd) == 0;
            synced[i] = system->second;
        }
    }
#endif
    for (std::size_t i = 0; i < streams.size(); ++i)
        if (!synced[i] && ::fsync(::fileno(streams[i])) != 0) results[i] = LastError();
    return results;
}

std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target,
                              bool replace) {
    if (replace)
        return ::rename(temporary.c_str(), target.c_str()) == 0 ? std::error_code() : LastError();
#if defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return LastError();
#elif defined(RENAME_EXCL)
    if (::renamex_np(temporary.c_str(), target.c_str(), RENAME_EXCL) == 0) return {};
    if (errno != ENOTSUP && errno != EINVAL) return LastError();
#endif
    return LinkIntoPlace(temporary, target);
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(OpenableFolder(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

unsigned long CurrentProcess() {
    return static_cast<unsigned long>(::getpid());
}

std::uint64_t ClockTicks() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

void ForEachNameContaining(const std::string& folder, std::string_view part,
                           void (*visit)(const std::string& folder, const char* name)) {
    DIR* dir = ::opendir(OpenableFolder(folder).c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir))
        if (std::string_view(entry->d_name).find(part) != std::string_view::npos)
            visit(folder, entry->d_name);
    ::closedir(dir);
}

// A writer holds its temporary under flock from before the name can be seen
// as finished until it is moved into place. Taking the lock here proves the
// writer gone, in whatever process namespace or, with locks passed on by the
// file system, on whatever machine it ran; the name is checked to still be
// the locked file before it is removed.
void RemoveIfAbandoned(const std::string& path) {
    // Opened for writing: where flock is carried by byte-range locks (NFS),
    // an exclusive lock needs it.
    int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino)
        ::unlink(path.c_str());
    ::close(fd);
}

void HoldInterrupts() {
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal);
    ::sigprocmask(SIG_BLOCK, &interrupts, &heldFrom);
}

void ReleaseInterrupts() {
    ::sigprocmask(SIG_SETMASK, &heldFrom, nullptr);
}

void RemoveFile(const char* path) {
    ::unlink(path);
}

}  // namespace ondrel::system

namespace ondrel {

void RemoveTemporariesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = system::OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, signal);
    }
    // A signal the caller chose to ignore (nohup, a background job) stays ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace ondrel
