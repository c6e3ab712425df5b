// POSIX grouped commit: the temporaries of a batch are written and closed,
// then put on the disk together (one sync of each file system where Linux
// offers it, else one sync per file), and only then renamed over their
// targets; each folder is synced once at the end.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <set>

#include "core/file_io.h"
#include "platform/posix/posix_files.h"

namespace ondrel {
namespace {

using posix::FolderOf;
using posix::LastError;
using posix::SyncFolder;

std::error_code SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    std::error_code error;
    if (::fsync(fd) != 0) error = LastError();
    ::close(fd);
    return error;
}

// One write-back of everything dirty on each file system holding one of the
// files; the files on a file system whose sync failed, or on a system without
// it, are synced one by one, so each gets its own result. Marks the files
// whose bytes are on the disk.
std::vector<std::error_code> SyncFiles(const std::vector<std::string>& paths) {
    std::vector<std::error_code> results(paths.size());
    std::vector<bool> synced(paths.size(), false);
#ifdef __linux__
    // A file's folder is on its file system: one open per folder, not per file.
    std::map<std::string, bool> folders;  // whether its file system's sync succeeded
    std::map<dev_t, bool> fileSystems;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto [folder, first] = folders.emplace(FolderOf(paths[i]), false);
        if (first) {
            int fd = ::open(folder->first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat st;
            if (fd >= 0 && ::fstat(fd, &st) == 0) {
                auto [system, unseen] = fileSystems.emplace(st.st_dev, false);
                if (unseen) system->second = ::syncfs(fd) == 0;
                folder->second = system->second;
            }
            if (fd >= 0) ::close(fd);
        }
        synced[i] = folder->second;
    }
#endif
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (!synced[i]) results[i] = SyncFile(paths[i]);
    return results;
}

}  // namespace

std::error_code OutputGroup::Add(std::unique_ptr<OutputFile> file) {
    std::error_code error;
    if (std::fflush(file->stream_) != 0) error = LastError();
#ifdef __linux__
    // Starts writing the bytes out now, while the next files are prepared, so
    // that little is left for Commit to wait for.
    if (!error && !file->temporary_.empty())
        ::sync_file_range(::fileno(file->stream_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (std::fclose(file->stream_) != 0 && !error) error = LastError();
    file->stream_ = nullptr;
    if (!error) files_.push_back(std::move(file));
    return error;
}

std::vector<std::error_code> OutputGroup::Commit() {
    std::vector<std::string> temporaries;
    for (const auto& file : files_)
        if (!file->temporary_.empty()) temporaries.push_back(file->temporary_);
    const std::vector<std::error_code> synced = SyncFiles(temporaries);

    std::vector<std::error_code> results(files_.size());
    std::set<std::string> folders;
    for (std::size_t i = 0, t = 0; i < files_.size(); ++i) {
        OutputFile& file = *files_[i];
        if (file.temporary_.empty()) continue;  // a device, written in place
        results[i] = synced[t++];
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
