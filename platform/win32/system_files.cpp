// The Win32 steps of writing an output. Windows has no way to put many files
// on the disk at once, so each temporary is flushed on its own; the move into
// place is written through.

#include "platform/system_files.h"

#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/file_io.h"
#include "platform/temporaries.h"

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

std::uint64_t FreeBytes(const std::string& folder) {
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(folder.empty() ? nullptr : folder.c_str(), &available, nullptr,
                               nullptr))
        return ~std::uint64_t{0};
    return available.QuadPart;
}

std::error_code FlushOutput(std::FILE* stream, bool) {
    return std::fflush(stream) == 0 ? std::error_code() : LastStreamError();
}

std::vector<std::error_code> SyncOutputs(const std::vector<std::FILE*>& streams) {
    std::vector<std::error_code> results;
    for (std::FILE* stream : streams) {
        HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
        results.push_back(::FlushFileBuffers(handle) ? std::error_code() : LastError());
    }
    return results;
}

// A virus scanner or the search indexer often opens a file the moment it is
// written; the move is retried for a short while when the file is only busy.
std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target,
                              bool replace) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    for (DWORD attempt = 0;; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), target.c_str(), flags)) return {};
        DWORD error = ::GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
            return std::make_error_code(std::errc::file_exists);
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

std::uint64_t ClockTicks() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
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

// A writer holds its temporary open until it is moved into place: an open
// that shares nothing succeeds only once no one holds it, and removes it as
// it closes.
void RemoveIfAbandoned(const std::string& path) {
    HANDLE handle =
        ::CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
}

namespace {
SRWLOCK interruptLock = SRWLOCK_INIT;
}  // namespace

void HoldInterrupts() {
    ::AcquireSRWLockExclusive(&interruptLock);
}

void ReleaseInterrupts() {
    ::ReleaseSRWLockExclusive(&interruptLock);
}

void RemoveFile(const char* path) {
    ::DeleteFileA(path);
}

}  // namespace ondrel::system

namespace ondrel {
namespace {

// Runs on a thread of its own. The temporaries are marked for deletion (this
// run opened them shared for it) and go when the process ends.
BOOL WINAPI OnConsoleClose(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    system::HoldInterrupts();  // no temporary is half made now
    RemoveRegisteredTemporaries();
    ::ExitProcess(130);
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
    ::SetConsoleCtrlHandler(OnConsoleClose, TRUE);
}

}  // namespace ondrel
