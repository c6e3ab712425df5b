#pragma once

// Small POSIX helpers shared by the single and the grouped output.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace ondrel::posix {

inline std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

inline std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes renames in the folder durable; a folder that cannot be synced is no error.
inline void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace ondrel::posix
