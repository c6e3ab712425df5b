#pragma once

// The steps of writing an output that differ between systems, each written
// once in posix/system_files.cpp and win32/system_files.cpp. The order of the
// steps is kept in one place, output_batch.cpp; only the platform layer uses
// these.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ondrel::system {

// The error of the system call that just failed.
std::error_code LastError();

// The folder of a path as a prefix for names in it: empty for the current
// folder, else ending in a separator or a drive's colon ("saves/",
// "C:\\saves\\", "C:").
std::string FolderOf(const std::string& path);

// The bytes a new file in folder may still take; the largest value when the
// system cannot tell.
std::uint64_t FreeBytes(const std::string& folder);

// Flushes the stream's buffer to the system; for a temporary, its bytes are
// also started on their way to the disk where that is cheaper later (Linux).
std::error_code FlushOutput(std::FILE* stream, bool temporary);

// Puts the bytes of open temporaries on the disk, grouped where the system
// allows it. One result per stream.
std::vector<std::error_code> SyncOutputs(const std::vector<std::FILE*>& streams);

// Moves a finished temporary, still open, over its target. Without replace,
// an existing target is kept and the result is std::errc::file_exists,
// decided by the move itself so that two runs cannot both succeed.
std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target,
                              bool replace);

// Makes the moves into a folder durable; a folder that cannot be synced is
// no error.
void SyncFolder(const std::string& folder);

// The process that writes temporaries now, and a clock that differs between
// any two runs of it.
unsigned long CurrentProcess();
std::uint64_t ClockTicks();

// Calls visit with folder and each name in it that contains part.
void ForEachNameContaining(const std::string& folder, std::string_view part,
                           void (*visit)(const std::string& folder, const char* name));

// Holds off the interrupt that removes this run's temporaries (a signal; on
// Windows the console handler, on a thread of its own) while a temporary is
// made and not yet registered, so none is left behind by an interrupt in
// between. Conversions run on one thread, one at a time.
void HoldInterrupts();
void ReleaseInterrupts();

class InterruptsHeld {
public:
    InterruptsHeld() { HoldInterrupts(); }
    ~InterruptsHeld() { ReleaseInterrupts(); }
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

// Removes a temporary that no writer holds any more; one still held is kept.
void RemoveIfAbandoned(const std::string& path);

// Removes a file, if it can; safe in a signal handler, and for a temporary
// this run still holds open.
void RemoveFile(const char* path);

}  // namespace ondrel::system
