// The POSIX steps of writing an output. On Linux a batch's files are put on
// the disk with one sync of each file system instead of one per file.

#include "platform/system_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

namespace ondrel::system {
namespace {

std::error_code SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    std::error_code error;
    if (::fsync(fd) != 0) error = LastError();
    ::close(fd);
    return error;
}

std::string OpenableFolder(const std::string& folder) {
    return folder.empty() ? "." : folder;
}

}  // namespace

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::error_code CloseOutput(std::FILE* stream, Closing closing) {
    std::error_code error;
    if (std::fflush(stream) != 0) error = LastError();
    if (!error && closing == Closing::Durable && ::fsync(::fileno(stream)) != 0)
        error = LastError();
#ifdef __linux__
    // Starts writing the bytes out now, while the next files are prepared, so
    // that little is left for SyncFiles to wait for.
    if (!error && closing == Closing::WriteBack)
        ::sync_file_range(::fileno(stream), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (std::fclose(stream) != 0 && !error) error = LastError();
    return error;
}

// One write-back of everything dirty on each file system that holds one of
// the files; a file on a file system whose sync failed, or any file on a
// system without syncfs, is synced on its own, so each gets its own result.
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
            int fd =
                ::open(OpenableFolder(folder->first).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target) {
    return ::rename(temporary.c_str(), target.c_str()) == 0 ? std::error_code() : LastError();
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

bool ProcessHasEnded(unsigned long process) {
    return ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
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

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace ondrel::system
