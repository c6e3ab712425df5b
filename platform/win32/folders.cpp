// The Win32 steps on folders and on the run's process: each temporary
// flushed on its own (Windows has no way to put many files on the disk at
// once), the move into place written through, room and listings of folders,
// paths compared in one case with some names devices in every folder, and
// the console's interrupts.

#include "platform/system_files.h"

#include <windows.h>

#include <cctype>

#include "platform/temporaries.h"

namespace ondrel::system {

std::error_code LastError() {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

const char* const kSeparators = "\\/:";
const char kSeparator = '\\';

std::string FoldedCase(std::string path) {
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

// Windows opens these names as devices in every folder, whatever the extension.
bool IsReservedDeviceName(const std::string& path) {
    if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
    std::string name = FileNameOf(path);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$")
        return true;
    return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

std::uint64_t FreeBytes(const std::string& folder) {
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(folder.empty() ? nullptr : folder.c_str(), &available, nullptr,
                               nullptr))
        return ~std::uint64_t{0};
    return available.QuadPart;
}

// The console's handler thread waits as it does for a temporary being made.
void DeferInterrupts() {
    HoldInterrupts();
}

void ResumeInterrupts() {
    ReleaseInterrupts();
}

std::error_code RefusesMoves(const std::string&) {
    return {};
}

std::size_t OpenFilesAllowed() {
    return 16 * 1024 * 1024;  // handles are limited by memory alone
}

void StartWriteBack(FileHandle) {}

std::vector<std::error_code> SyncOutputs(const std::vector<FileHandle>& handles,
                                         const std::vector<std::string>&) {
    std::vector<std::error_code> results;
    for (FileHandle handle : handles)
        results.push_back(::FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) ? std::error_code()
                                                                               : LastError());
    return results;
}

// A virus scanner or the search indexer often opens a file the moment it is
// written; the move is retried for a short while when the file is only busy.
std::error_code MoveIntoPlace(const std::string& temporary, const std::string& target,
                              bool replace) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    for (DWORD attempt = 0;; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), target.c_str(), flags)) return {};
        const std::error_code error = LastError();
        const auto code = static_cast<DWORD>(error.value());
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
            return std::make_error_code(std::errc::file_exists);
        const bool busy = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION;
        if (!busy || attempt == 5) return error;
        ::Sleep(20 * (attempt + 1));
    }
}

std::error_code SyncFolder(const std::string&) {  // the move was written through
    return {};
}

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
    system::HoldInterrupts();  // no temporary is registered and not yet made now
    RemoveRegisteredTemporaries();
    ::ExitProcess(130);
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
    ::SetConsoleCtrlHandler(OnConsoleClose, TRUE);
}

}  // namespace ondrel
