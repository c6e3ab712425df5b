#pragma once

// The steps of writing an output that differ between systems, each written
// once in posix/system_files.cpp and win32/system_files.cpp. The order of the
// steps is kept in one place, output_batch.cpp; only the platform layer uses
// these.

#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ondrel::system {

// The error of the system call that just failed.
std::error_code LastError();

// The folder of a path as a prefix for names in it: empty for the current
// folder, else ending in a separator ("saves/", "C:\\saves\\", "C:").
std::string FolderOf(const std::string& path);

// How far an output's bytes must have gone when its stream is closed.
enum class Closing {
    Device,     // written in place: flushed to the device
    WriteBack,  // a temporary: started on its way to the disk where that is cheaper
    Durable,    // a temporary: on the disk
};

// Flushes the stream as far as asked and closes it.
std::error_code CloseOutput(std::FILE* stream, Closing closing);

// Puts the bytes of closed files on the disk, grouped where the system allows
// it. One result per path.
std::vector<std::error_code> SyncFiles(const std::vector<std::string>& paths);

// Moves a finished temporary over its target, replacing it.
std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target);

// Makes the moves into a folder durable; a folder that cannot be synced is
// no error.
void SyncFolder(const std::string& folder);

// The process that writes temporaries now, and whether another has ended.
unsigned long CurrentProcess();
bool ProcessHasEnded(unsigned long process);

// Calls visit with folder and each name in it that contains part.
void ForEachNameContaining(const std::string& folder, std::string_view part,
                           void (*visit)(const std::string& folder, const char* name));

// Removes a file, if it can.
void RemoveFile(const std::string& path);

}  // namespace ondrel::system
