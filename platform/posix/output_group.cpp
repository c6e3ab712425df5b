// POSIX grouped commit: the temporaries of a batch are written and closed,
// their file systems synced once, each temporary then synced on its own (now
// cheap, and the file's own write-back error shows), and only then renamed
// over its target; each folder is synced once at the end.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "core/file_io.h"

namespace ondrel {
namespace {

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::error_code SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    std::error_code error;
    if (::fsync(fd) != 0) error = LastError();
    ::close(fd);
    return error;
}

// One write-back of everything dirty on each file system holding a temporary,
// so the per-file syncs that follow find nothing left to write. Only Linux
// has it; elsewhere the per-file syncs do the work.
void SyncFileSystems([[maybe_unused]] const std::vector<std::string>& paths) {
#ifdef __linux__
    std::set<dev_t> synced;
    for (const auto& path : paths) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && synced.insert(st.st_dev).second) ::syncfs(fd);
        ::close(fd);
    }
#endif
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::error_code OutputGroup::Add(std::unique_ptr<OutputFile> file) {
    std::error_code error;
    if (std::fflush(file->stream_) != 0) error = LastError();
    if (std::fclose(file->stream_) != 0 && !error) error = LastError();
    file->stream_ = nullptr;
    if (!error) files_.push_back(std::move(file));
    return error;
}

std::vector<std::error_code> OutputGroup::Commit() {
    std::vector<std::string> temporaries;
    for (const auto& file : files_)
        if (!file->temporary_.empty()) temporaries.push_back(file->temporary_);
    SyncFileSystems(temporaries);

    std::vector<std::error_code> results(files_.size());
    std::set<std::string> folders;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        OutputFile& file = *files_[i];
        if (file.temporary_.empty()) continue;  // a device, written in place
        results[i] = SyncFile(file.temporary_);
        if (results[i]) continue;
        if (::rename(file.temporary_.c_str(), file.target_.c_str()) != 0) {
            results[i] = LastError();
            continue;
        }
        file.temporary_.clear();
        folders.insert(FolderOf(file.target_));
    }
    for (const auto& folder : folders) SyncFolder(folder);
    files_.clear();  // removes the temporaries that were not moved
    return results;
}

}  // namespace ondrel
