// The POSIX steps on folders and on the run's process: putting a group's
// files on the disk (on Linux with one sync of each file system where that
// reports), moving them into place (an existing output kept by the rename
// itself, RENAME_NOREPLACE), the room, listings and flags of folders, and
// the process's limits and interrupts.

#include "platform/system_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <sys/vfs.h>
#endif
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <map>

#include "platform/file_io.h"
#include "platform/temporaries.h"

namespace ondrel::system {
namespace {

std::string OpenableFolder(const std::string& folder) {
    return folder.empty() ? "." : folder;
}

// While outputs are moved into place and reported, an interrupt is noted,
// not taken: the run takes it once they are (ResumeInterrupts). A call that
// blocks meanwhile (a report into a pipe nobody reads, a folder's lock)
// still returns at once, with EINTR, so the run cannot be held.
volatile sig_atomic_t deferring = 0;
volatile sig_atomic_t pending = 0;

// Keeps the target by linking the temporary to it, which fails when the
// target exists, then dropping the temporary's name; for file systems and
// systems without an exclusive rename. A file system without hard links
// either (FAT on some systems, many FUSE mounts) gets the check and the
// rename as two steps, made under a lock on the folder that every run of
// this program takes there: of two runs into one output, one wins. Another
// program that makes the output between the two steps is not kept out.
std::error_code LinkIntoPlace(const std::string& temporary, const std::string& target) {
    if (::link(temporary.c_str(), target.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return {};
    }
    // A FUSE server without links answers EROFS (the file system is not
    // read-only: the temporary was just written in it).
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS &&
        errno != EROFS)
        return LastError();
    const std::string folder = FolderOf(target);
    const int lock = ::open(OpenableFolder(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock < 0) return LastError();
    int locked;
    while ((locked = ::flock(lock, LOCK_EX)) != 0 && errno == EINTR && !pending) {
    }
    struct stat st;
    std::error_code result;
    if (locked != 0)
        result = LastError();
    else if (::lstat(target.c_str(), &st) == 0)
        result = std::make_error_code(std::errc::file_exists);
    else if (::rename(temporary.c_str(), target.c_str()) != 0)
        result = LastError();
    ::close(lock);
    return result;
}

void OnInterrupt(int signal) {
    if (deferring) {
        pending = signal;
        return;
    }
    RemoveRegisteredTemporaries();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

const char* const kSeparators = "/";
const char kSeparator = '/';

std::string FoldedCase(std::string path) {
    return path;
}

bool IsReservedDeviceName(const std::string&) {
    return false;
}

std::error_code RefusesMoves(const std::string& folder) {
#ifdef __linux__
    const int fd = ::open(OpenableFolder(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    int flags = 0;
    const bool refuses = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                         (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
    ::close(fd);
    if (refuses) return std::make_error_code(std::errc::operation_not_permitted);
#else
    (void)folder;
#endif
    return {};
}

std::uint64_t FreeBytes(const std::string& folder) {
    struct statvfs st;
    if (::statvfs(OpenableFolder(folder).c_str(), &st) != 0)
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

// Starts writing the bytes out now, while the next files are prepared, so
// that little is left for SyncOutputs to wait for.
void StartWriteBack(FileHandle handle) {
#ifdef __linux__
    ::sync_file_range(static_cast<int>(handle), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)handle;
#endif
}

#ifdef __linux__
// Whether one syncfs of the file system that holds the file puts all its
// files' bytes on the disk and reports a failure to write any of them. Only
// local disk file systems pass it on, and only from Linux 5.8 does it report
// write-back errors; a FUSE server (exFAT, NTFS, sshfs) never sees it, and
// NFS and the rest are synced file by file.
bool SyncfsReports(FileHandle handle) {
    static const bool reports = [] {
        struct utsname system;
        int major = 0, minor = 0;
        return ::uname(&system) == 0 && std::sscanf(system.release, "%d.%d", &major, &minor) == 2 &&
               (major > 5 || (major == 5 && minor >= 8));
    }();
    struct statfs fs;
    if (!reports || ::fstatfs(static_cast<int>(handle), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // XFS
        case 0x9123683E:  // Btrfs
        case 0xF2F52010:  // F2FS
        case 0x01021994:  // tmpfs, where nothing needs syncing
            return true;
        default:
            return false;
    }
}
#endif

// A lone file is synced on its own. Several are put on the disk with one
// write-back of the file system of each folder they are in (the files of
// one folder are on one file system), where that sync reports; a file in a
// folder whose sync failed, or on any other file system, is synced on its
// own, so each gets its own result.
std::vector<std::error_code> SyncOutputs(const std::vector<FileHandle>& handles,
                                         const std::vector<std::string>& folders) {
    std::vector<std::error_code> results(handles.size());
    std::vector<bool> synced(handles.size(), false);
#ifdef __linux__
    if (handles.size() > 1) {
        std::map<std::string_view, bool> synchronised;  // whether its sync succeeded
        for (std::size_t i = 0; i < handles.size(); ++i) {
            auto [folder, unseen] = synchronised.emplace(folders[i], false);
            if (unseen)
                folder->second =
                    SyncfsReports(handles[i]) && ::syncfs(static_cast<int>(handles[i])) == 0;
            synced[i] = folder->second;
        }
    }
#else
    (void)folders;
#endif
    for (std::size_t i = 0; i < handles.size(); ++i)
        if (!synced[i] && ::fsync(static_cast<int>(handles[i])) != 0) results[i] = LastError();
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

std::error_code SyncFolder(const std::string& folder) {
    int fd = ::open(OpenableFolder(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    std::error_code error;
    // A file system that cannot sync a folder says so (EINVAL, EROFS);
    // only a failure to write it is one.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP &&
        errno != EOPNOTSUPP && errno != EBADF)
        error = LastError();
    ::close(fd);
    return error;
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

// A writer holds its temporary under flock from just after creating it until
// it is moved into place, and writes nothing before the lock. Taking the lock
// here proves the writer gone, in whatever process namespace or, with locks
// passed on by the file system, on whatever machine it ran, unless the file
// is still empty and new: its writer may be between the create and the lock,
// and it is left for a later run. The name is checked to still be the locked
// file before it is removed.
void RemoveIfAbandoned(const std::string& path) {
    constexpr time_t kNewForSeconds = 60;
    // Opened for writing: where flock is carried by byte-range locks (NFS),
    // an exclusive lock needs it.
    int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat held, named;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
        (held.st_size > 0 || ::time(nullptr) - held.st_mtime >= kNewForSeconds) &&
        ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino)
        ::unlink(path.c_str());
    ::close(fd);
}

std::size_t OpenFilesAllowed() {
    static const std::size_t allowed = [] {
        struct rlimit limit;
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::size_t{1024};
        if (limit.rlim_cur < limit.rlim_max) {
            const rlim_t soft = limit.rlim_cur;
            limit.rlim_cur = limit.rlim_max;
            if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = soft;
        }
        return static_cast<std::size_t>(
            std::min<rlim_t>(limit.rlim_cur, std::numeric_limits<std::size_t>::max()));
    }();
    return allowed;
}

void DeferInterrupts() {
    deferring = 1;
}

void ResumeInterrupts() {
    deferring = 0;
    if (const int signal = pending) OnInterrupt(signal);
}

void HoldInterrupts() {}
void ReleaseInterrupts() {}

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
    // A write past the file size limit (ulimit -f) fails with EFBIG, which is
    // reported like any failed write, instead of ending the run unannounced.
    ::signal(SIGXFSZ, SIG_IGN);
    // A signal the caller chose to ignore (nohup, a background job) stays ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace ondrel
