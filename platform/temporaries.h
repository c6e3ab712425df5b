#pragma once

// Outputs are written to a temporary file beside them, named
// "<output name>.ondrel~<16 random hex digits><8 hex digits of check>"; the
// check is a hash of the random digits, so a name that a person or another
// program picks is not taken for one. While its writer lives it holds the
// temporary locked (flock on POSIX; on Windows an open handle, which an open
// that shares nothing cannot get past), across process namespaces and, where the file system passes
// locks on, machines. Clean-up removes only temporaries that it can lock
// itself: those of a run that was killed before it could clean up.

#include <cstdint>
#include <string>
#include <string_view>

namespace ondrel {

// path + the temporary suffix made from random.
std::string TemporaryName(const std::string& path, std::uint64_t random);

// Whether a file name ends as TemporaryName ends it.
bool IsTemporaryName(std::string_view fileName);

// A different number on every call, to make temporary names from.
std::uint64_t NextRandom();

// Removes the abandoned temporaries in folder (as FolderOf gives it); an
// OutputBatch does so once for each folder it writes to.
void RemoveStaleTemporaries(const std::string& folder);

// The temporaries this run has open, removed if the run is interrupted
// (SIGINT, SIGTERM, SIGHUP; Ctrl-C or a closed console on Windows). A name is
// registered before the file is created, so that no moment is left in which
// an interrupt would leave it behind (the random digits make it this run's
// alone), and unregistered once moved or removed. A path must stay unchanged
// in memory from Register until Unregister.
void RegisterTemporary(const std::string& path);
void UnregisterTemporary(const std::string& path);
// Removes every registered temporary; safe in a signal handler.
void RemoveRegisteredTemporaries();

}  // namespace ondrel
