// The Win32 steps of writing an output. Windows has no way to put many files
// on the disk at once, so each temporary is flushed as it is closed; the
// move into place is written through.

#include "platform/system_files.h"

#include <io.h>
#include <windows.h>

#include <cerrno>

namespace ondrel::system {
namespace {

std::error_code LastStreamError() {
    return std::error_code(errno, std::generic_category());
}

}  // namespace

std::error_code LastError() {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::error_code CloseOutput(std::FILE* stream, Closing closing) {
    std::error_code error;
    if (std::fflush(stream) != 0) error = LastStreamError();
    if (!error && closing != Closing::Device) {
        HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
        if (!::FlushFileBuffers(handle)) error = LastError();
    }
    if (std::fclose(stream) != 0 && !error) error = LastStreamError();
    return error;
}

std::vector<std::error_code> SyncFiles(const std::vector<std::string>& paths) {
    return std::vector<std::error_code>(paths.size());  // flushed as they were closed
}

// A virus scanner or the search indexer often opens a file the moment it is
// closed; the move is retried for a short while when the file is only busy.
std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target) {
    for (DWORD attempt = 0;; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        DWORD error = ::GetLastError();
        bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!busy || attempt == 5)
            return std::error_code(static_cast<int>(error), std::system_category());
        ::Sleep(20 * (attempt + 1));
    }
}

void SyncFolder(const std::string&) {}  // the move was written through

unsigned long CurrentProcess() {
    return ::GetCurrentProcessId();
}

bool ProcessHasEnded(unsigned long process) {
    HANDLE handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!handle) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // else not ours to look at
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE;
    ::CloseHandle(handle);
    return !running;
}

void ForEachNameContaining(const std::string& folder, std::string_view part,
                           void (*visit)(const std::string& folder, const char* name)) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*" + std::string(part) + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do visit(folder, found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

void RemoveFile(const std::string& path) {
    ::DeleteFileA(path.c_str());
}

}  // namespace ondrel::system
