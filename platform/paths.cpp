// Paths and links, the same logic on every system on the system's own
// separators, case and links (system_files.h).

#include <cstring>

#include "platform/file_io.h"
#include "platform/system_files.h"

namespace ondrel {
namespace {

// Links followed before a chain is taken for a loop, as Linux counts them.
constexpr int kMaxLinks = 40;

}  // namespace

std::string FolderOf(const std::string& path) {
    const auto separator = path.find_last_of(system::kSeparators);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string FileNameOf(const std::string& path) {
    return path.substr(FolderOf(path).size());
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || FolderOf(folder).size() == folder.size()) return folder + name;
    return folder + system::kSeparator + name;
}

bool IsReservedDeviceName(const std::string& path) {
    return system::IsReservedDeviceName(path);
}

PathEnd FollowLinks(const std::string& path, std::error_code& error) {
    return system::FollowLinkChain(path, system::LookAt, error);
}

namespace system {

PathEnd FollowLinkChain(const std::string& path, PathStep (*lookAt)(const std::string&),
                        std::error_code& error) {
    PathEnd end{path, PathKind::Unknown};
    for (int links = 0;; ++links) {
        PathStep step = lookAt(end.path);
        if (step.error) {
            error = step.error;
            return {};
        }
        if (step.kind != PathKind::Link) {
            end.kind = step.kind;
            return end;
        }
        // Refused rather than written wherever the count ran out.
        if (links == kMaxLinks) {
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return {};
        }
        const std::string& target = step.linkTarget;
        const bool rooted = !target.empty() && std::strchr(kSeparators, target.front());
        end.path = IsAbsolute(target) ? target
                   : rooted           ? RootOf(end.path) + target
                                      : FolderOf(end.path) + target;
    }
}

}  // namespace system
}  // namespace ondrel
