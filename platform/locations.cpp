// Whether two paths name one location or one file, by std::filesystem and
// the identity of folders on the disk: in a library of its own, which the dialog does not link,
// since the standard library's file system code is larger than the rest of the program.

#include "platform/locations.h"

#include <cctype>
#include <filesystem>
#include <map>

#include "platform/file_io.h"
#include "platform/system_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ondrel {
namespace {

namespace fs = std::filesystem;

// The path by its spelling alone: absolute, "." and ".." gone.
std::string Spelled(const std::string& path) {
    static const fs::path current = [] {
        std::error_code error;
        return fs::current_path(error);
    }();
    const fs::path given(path);
    fs::path full = given;
    if (given.is_relative()) {
        std::error_code error;
        // "C:name" is relative to C:'s own current folder.
        full = given.has_root_name() || given.has_root_directory() ? fs::absolute(given, error)
                                                                   : current / given;
    }
    return system::FoldedCase(full.lexically_normal().make_preferred().string());
}

// What tells an existing folder from every other: its device and inode
// (on Windows its full path, links and junctions followed); empty for one
// that cannot be looked at. Asked once per folder and run, so a batch of a
// thousand saves in one folder asks the disk once.
std::string FolderIdentity(const std::string& folder) {
    static std::map<std::string, std::string> known;
    if (auto found = known.find(folder); found != known.end()) return found->second;
    const std::string asked = folder.empty() ? "." : folder;
    std::string identity;
#ifdef _WIN32
    std::error_code error;
    const fs::path full = fs::canonical(fs::path(asked), error);
    if (!error && fs::is_directory(full, error)) identity = system::FoldedCase(full.string());
#else
    struct stat status;
    if (::stat(asked.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        identity = std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino);
#endif
    return known.emplace(folder, identity).first->second;
}

std::string Placed(const std::string& path, bool caseBlind) {
    std::string name = FileNameOf(path);
    const std::string folder = name.empty() || name == "." || name == ".."
                                   ? std::string()
                                   : FolderIdentity(FolderOf(path));
    if (caseBlind)
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // On POSIX the identity holds no separator and a spelled path begins
    // with one, so no key of one form is a key of the other; on Windows
    // both are full paths.
    if (folder.empty()) return caseBlind ? Spelled(FolderOf(path) + name) : Spelled(path);
    return folder + system::kSeparator + system::FoldedCase(name);
}

}  // namespace

std::string Location(const std::string& path) {
    return Placed(path, false);
}

std::string CaseBlindLocation(const std::string& path) {
    return Placed(path, true);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::exists(fs::path(a), error) && fs::exists(fs::path(b), error))
        return fs::equivalent(fs::path(a), fs::path(b), error);
    return Location(a) == Location(b);
}

}  // namespace ondrel
