// The Win32 steps on one file: opening and reading an input, looking at a
// path, and creating, probing and writing an output's temporary. ANSI paths
// as the dialogs deliver them; handles shared so that this run can move or
// remove its temporaries while it holds them.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/system_files.h"
#include "platform/win32/link_target.h"

namespace ondrel::system {
namespace {

HANDLE Native(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

FileHandle Ours(HANDLE handle) {
    return reinterpret_cast<FileHandle>(handle);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<FileStamp> Stamp(HANDLE handle) {
    LARGE_INTEGER size{};
    FILE_BASIC_INFO times{};
    if (!::GetFileSizeEx(handle, &size) ||
        !::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(size.QuadPart);
    stamp.written = times.LastWriteTime.QuadPart;
    stamp.changed = times.ChangeTime.QuadPart;
    return stamp;
}

// Whether a handle is a file on a disk, and its size from where reading
// starts if it is (standard input may be left anywhere in a file). Where a
// save file was named (regularOnly), anything else is refused: a pipe or a
// device put in its place.
InputFile Measured(HANDLE handle, bool regularOnly, std::error_code& error) {
    const bool regular = ::GetFileType(handle) == FILE_TYPE_DISK;
    const std::optional<FileStamp> stamp = regular ? Stamp(handle) : std::nullopt;
    if (regularOnly && !stamp) {
        error = regular ? LastError() : make_error_code(FileError::NotRegular);
        ::CloseHandle(handle);
        return {};
    }
    if (!stamp) return InputFile(Ours(handle), 0, false);
    std::uint64_t size = stamp->size;
    LARGE_INTEGER at{}, none{};
    if (!regularOnly && ::SetFilePointerEx(handle, none, &at, FILE_CURRENT))
        size -= std::min(size, static_cast<std::uint64_t>(at.QuadPart));
    return InputFile(Ours(handle), size, true, *stamp);
}

// A handle of this process's own on one of its standard streams.
FileHandle DuplicateStandard(DWORD which, std::error_code& error) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(which), ::GetCurrentProcess(),
                           &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        error = LastError();
        return kNoFile;
    }
    return Ours(copy);
}

}  // namespace

PathStep LookAt(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD failure = ::GetLastError();
        const bool missing = failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND;
        return {missing ? PathKind::Missing : PathKind::Unknown, {}, {}};
    }
    const PathKind kind =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Directory : PathKind::Regular;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return {kind, {}, {}};
    // A junction or another kind of reparse point is what it seems.
    std::optional<std::string> target = ReadSymbolicLink(path);
    if (!target) return {kind, {}, {}};
    return {PathKind::Link, std::move(*target), {}};
}

bool IsAbsolute(const std::string& target) {
    return target.rfind("\\\\", 0) == 0 ||
           (target.size() >= 3 && std::isalpha(static_cast<unsigned char>(target[0])) &&
            target[1] == ':' && (target[2] == '\\' || target[2] == '/'));
}

std::string RootOf(const std::string& linkPath) {
    // A share's root is \\server\share; a drive's, its letter and colon.
    if (linkPath.rfind("\\\\", 0) == 0) {
        const auto server = linkPath.find_first_of("\\/", 2);
        const auto share =
            server == std::string::npos ? server : linkPath.find_first_of("\\/", server + 1);
        return linkPath.substr(0, share);
    }
    if (linkPath.size() >= 2 && linkPath[1] == ':') return linkPath.substr(0, 2);
    return {};
}

FileHandle DuplicateStandardOutput(std::error_code& error) {
    return DuplicateStandard(STD_OUTPUT_HANDLE, error);
}

std::size_t ReadSome(FileHandle handle, std::uint8_t* into, std::size_t size,
                     std::error_code& error) {
    DWORD got = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (::ReadFile(Native(handle), into, asked, &got, nullptr)) return got;
    // The end of a pipe whose writer is gone.
    if (::GetLastError() != ERROR_BROKEN_PIPE) error = LastError();
    return 0;
}

std::error_code Close(FileHandle handle) {
    return ::CloseHandle(Native(handle)) ? std::error_code() : LastError();
}

std::optional<FileStamp> StampOf(FileHandle handle) {
    return Stamp(Native(handle));
}

// Opening the existing output for writing, without truncating it, asks what
// a plain create would: may this user write it, is it a folder.
ExistingOutput ProbeOutput(const std::string& target, std::error_code& error) {
    ExistingOutput old;
    HANDLE probe = ::CreateFileA(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) error = LastError();
        return old;
    }
    if (::GetFileType(probe) != FILE_TYPE_DISK) {  // NUL, COM1, a pipe: written in place
        old.kind = PathKind::Other;
        old.device = Ours(probe);
        return old;
    }
    old.kind = PathKind::Regular;
    // A read-only save is refused as Windows refuses to open it for writing;
    // asked of the file itself, since an administrator (or Wine run as root)
    // may be let through the open.
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(probe, &info);
    const bool readOnly = known && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    if (known) old.mode = info.dwFileAttributes;
    ::CloseHandle(probe);
    if (readOnly) {
        error = std::error_code(ERROR_ACCESS_DENIED, std::system_category());
        return old;
    }
    // Replacing also needs the right to delete the old file, which a program
    // holding it open (an emulator with the save loaded) may deny: better
    // refused now than after the image is written.
    HANDLE replaceable = ::CreateFileA(target.c_str(), GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (replaceable == INVALID_HANDLE_VALUE)
        error = LastError();
    else
        ::CloseHandle(replaceable);
    return old;
}

// Held open until moved into place: another run's clean-up, which asks to be
// the only one with the file open, cannot take it then. Shared in every way,
// so that this run can move it, or remove it on Ctrl-C, without letting go,
// and another run that checks the output it has just become is not refused.
FileHandle CreateTemporary(const std::string& temporary, const ExistingOutput& old,
                           std::error_code& error) {
    HANDLE handle = ::CreateFileA(temporary.c_str(), GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        // The file it replaces stays hidden, a system file or unindexed.
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        FILE_BASIC_INFO attributes{};
        attributes.FileAttributes = old.mode & kKept;
        if (old.kind == PathKind::Regular && attributes.FileAttributes != 0 &&
            !::SetFileInformationByHandle(handle, FileBasicInfo, &attributes, sizeof attributes)) {
            error = LastError();
            ::CloseHandle(handle);
            ::DeleteFileA(temporary.c_str());
            return kNoFile;
        }
        return Ours(handle);
    }
    error = ::GetLastError() == ERROR_FILE_EXISTS ? std::make_error_code(std::errc::file_exists)
                                                  : LastError();
    return kNoFile;
}

// A name past MAX_PATH is refused in one of three ways, depending on where
// it crosses the limit.
bool NameMayBeTooLong(std::error_code error) {
    if (error.category() != std::system_category()) return false;
    const auto code = static_cast<DWORD>(error.value());
    return code == ERROR_FILENAME_EXCED_RANGE || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_INVALID_NAME;
}

bool IsOutOfHandles(std::error_code error) {
    return error.category() == std::system_category() &&
           static_cast<DWORD>(error.value()) == ERROR_TOO_MANY_OPEN_FILES;
}

bool IsOutOfRoom(std::error_code error) {
    if (error.category() != std::system_category()) return false;
    const auto code = static_cast<DWORD>(error.value());
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL;
}

std::error_code WriteAll(FileHandle handle, std::span<const std::uint8_t> bytes,
                         std::uint64_t& put) {
    put = 0;
    while (!bytes.empty()) {
        DWORD wrote = 0;
        const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!::WriteFile(Native(handle), bytes.data(), asked, &wrote, nullptr)) return LastError();
        if (wrote == 0) return std::make_error_code(std::errc::io_error);
        put += wrote;
        bytes = bytes.subspan(wrote);
    }
    return {};
}

}  // namespace ondrel::system

namespace ondrel {

InputFile OpenInputFile(const std::string& path, std::error_code& error) {
    // Without backup semantics a folder cannot be opened: it gets the same
    // refusal as any file that cannot be opened.
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = system::LastError();
        return {};
    }
    return system::Measured(handle, true, error);
}

InputFile OpenStandardInput(std::error_code& error) {
    const FileHandle handle = system::DuplicateStandard(STD_INPUT_HANDLE, error);
    if (handle == kNoFile) return {};
    return system::Measured(system::Native(handle), false, error);
}

}  // namespace ondrel
