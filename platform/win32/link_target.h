#pragma once

// The file a Windows symbolic link names, read from the link itself, so that
// a link whose file does not exist yet can still be written through.

#include <cstddef>
#include <optional>
#include <string>

namespace ondrel::system {

// The target in a symbolic link's reparse data (FSCTL_GET_REPARSE_POINT):
// an absolute path without its "\??\" prefix, or a relative one, and whether
// it is relative. Nothing for other reparse points or malformed data.
struct LinkTarget {
    std::wstring path;
    bool relative = false;
};
std::optional<LinkTarget> DecodeSymbolicLink(const unsigned char* data, std::size_t size);

// The target written in the symbolic link at path, as a path relative to
// the link's folder or an absolute one; nothing when path is no symbolic
// link (a junction, another reparse point) or its data cannot be read.
std::optional<std::string> ReadSymbolicLink(const std::string& path);

}  // namespace ondrel::system
