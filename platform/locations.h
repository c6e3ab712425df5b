#pragma once

// Paths compared: the converter's checks that no file of a run is written
// twice or over another. A library of its own (ondrel_locations).

#include <string>

namespace ondrel {

// A spelling of the path that is equal for two spellings of one location
// (made absolute, "." and ".." gone, and on Windows one case).
std::string Location(const std::string& path);
// Whether two paths name one file: the same existing file (a link, another
// case), or one location.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace ondrel
