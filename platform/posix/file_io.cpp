// POSIX file operations: non-blocking opens, and output written to a
// temporary file that is synced and renamed over the target.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "core/file_io.h"
#include "platform/posix/posix_files.h"
#include "platform/temporary_name.h"

namespace ondrel {
namespace {

using posix::FolderOf;
using posix::LastError;
using posix::SyncFolder;

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

// The folders already cleaned of stale temporaries by this process.
std::vector<std::string> cleanedFolders;

// Removes the temporaries in folder whose writer has ended (killed before it
// could clean up). A writer that still runs, or one this user may not signal,
// keeps its file.
// Done once per folder in a process: a batch writing many outputs into one
// folder would otherwise read it again, its own temporaries included, for each.
void RemoveStaleTemporaries(const std::string& folder) {
    // Conversions run on one thread, one at a time.
    if (std::find(cleanedFolders.begin(), cleanedFolders.end(), folder) != cleanedFolders.end())
        return;
    cleanedFolders.push_back(folder);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const auto self = static_cast<unsigned long>(::getpid());
    while (const dirent* entry = ::readdir(dir)) {
        auto owner = TemporaryOwner(entry->d_name);
        if (!owner || *owner == self) continue;
        if (::kill(static_cast<pid_t>(*owner), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
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
    const std::string folder = FolderOf(target);
    RemoveStaleTemporaries(folder);
    const auto pid = static_cast<unsigned long>(::getpid());
    std::string temporary = TemporaryTemplate(target, pid);
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0 && errno == ENAMETOOLONG) {
        temporary = TemporaryTemplate(folder + "/", pid);
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

std::error_code OutputFile::Commit() {
    std::error_code error;
    if (std::fflush(stream_) != 0) error = LastError();
    if (!error && !temporary_.empty() && ::fsync(::fileno(stream_)) != 0) error = LastError();
    if (std::fclose(stream_) != 0 && !error) error = LastError();
    stream_ = nullptr;
    if (error || temporary_.empty()) return error;

    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return LastError();
    temporary_.clear();
    SyncFolder(FolderOf(target_));
    return {};
}

OutputFile::~OutputFile() {
    if (stream_) std::fclose(stream_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

}  // namespace ondrel
