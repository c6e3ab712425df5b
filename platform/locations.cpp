// Whether two paths name one location or one file, by std::filesystem: in
// a library of its own, which the dialog does not link, since the standard
// library's file system code is larger than the rest of the program.

#include "platform/locations.h"

#include <filesystem>

#include "platform/system_files.h"

namespace ondrel {
namespace {

namespace fs = std::filesystem;

}  // namespace

std::string Location(const std::string& path) {
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

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::exists(fs::path(a), error) && fs::exists(fs::path(b), error))
        return fs::equivalent(fs::path(a), fs::path(b), error);
    return Location(a) == Location(b);
}

}  // namespace ondrel
