#pragma once

// Outputs are written to a temporary file beside them, named
// "<output name>.ondrel-<process id>-<six characters>". A run that is killed
// can leave one behind; the process id in the name lets a later run see that
// its writer is gone and remove it, so they never pile up.

#include <optional>
#include <string>
#include <string_view>

namespace ondrel {

// path + ".ondrel-<pid>-XXXXXX": the X's are for the platform to fill in.
std::string TemporaryTemplate(const std::string& path, unsigned long pid);

// The process id in a temporary file's name; nothing for any other name.
std::optional<unsigned long> TemporaryOwner(std::string_view fileName);

// Removes the temporaries in folder (as system::FolderOf gives it) whose
// writer has ended, killed before it could clean up. A writer that still
// runs, or one this user may not look at, keeps its file. Done once per
// folder in a process: a batch writing many outputs into one folder would
// otherwise list it, its own temporaries included, for each.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace ondrel
