#pragma once

// A file's name that Windows, macOS and Linux all keep as it is, for a file
// made far from the disk it ends on (a browser's download, a zip's entry):
// no character any of them refuses or takes for something else, no name
// Windows keeps for a device, no dot that hides it, no more than 255 bytes.

#include <string>
#include <string_view>

namespace ondrel {

// The name itself where it is already such a name. Otherwise each
// character that cannot stand is '_', a device's name gets '_' before it,
// and a name too long loses the end of its stem, keeping its suffix.
std::string PortableName(std::string_view name);

}  // namespace ondrel
