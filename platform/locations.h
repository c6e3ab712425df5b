#pragma once

// Paths compared: the converter's checks that no file of a run is written
// twice or over another. A library of its own (ondrel_locations).

#include <string>

namespace ondrel {

// A key equal for every spelling of one location: the identity of the
// path's folder as it is on the disk (links, "." and ".." followed, so a link
// to the folder or another mount of it is the same folder) and its last
// name. Where the folder cannot be looked at (it does not exist), the path
// made absolute, "." and ".." gone. On Windows names are in one case.
std::string Location(const std::string& path);
// As Location, with the letters A-Z of the last name in one case. A FAT
// card, a Windows folder or a case-folding one on Linux holds one file for
// two names that differ only there, and a folder does not say whether it is
// one of those; two such names are taken as one file wherever they are.
std::string CaseBlindLocation(const std::string& path);
// Whether two paths name one file: the same existing file (a link, another
// case), or one location.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace ondrel
