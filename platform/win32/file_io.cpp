// Win32 file operations: ANSI paths as the dialogs deliver them, and outputs
// that start as a temporary file beside the target.

#include "platform/file_io.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <optional>

#include "platform/system_files.h"
#include "platform/temporaries.h"
#include "platform/win32/link_target.h"

namespace ondrel {
namespace {

using system::LastError;

std::FILE* StreamFor(HANDLE handle, int flags, const char* mode, std::error_code& error) {
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* stream = ::_fdopen(fd, mode);
    if (!stream) {
        error = std::error_code(errno, std::generic_category());
        ::_close(fd);
    }
    return stream;
}

}  // namespace

namespace {

// Whether an input is a file on a disk, and its size if it is.
InputFile Measured(HANDLE handle) {
    InputFile input;
    LARGE_INTEGER size;
    input.regular = ::GetFileType(handle) == FILE_TYPE_DISK;
    if (input.regular && ::GetFileSizeEx(handle, &size))
        input.size = static_cast<std::uint64_t>(size.QuadPart);
    return input;
}

}  // namespace

InputFile OpenInputFile(const std::string& path, std::error_code& error) {
    // Without backup semantics a folder cannot be opened: it gets the same
    // refusal as any file that cannot be opened.
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = LastError();
        return {};
    }
    InputFile input = Measured(handle);
    input.stream = StreamFor(handle, _O_RDONLY, "rb", error);
    return input;
}

namespace {

// A binary stream on a duplicate of one of the process's standard streams.
std::FILE* StandardStream(int fd, const char* mode, std::error_code& error) {
    const int copy = ::_dup(fd);
    std::FILE* stream = copy < 0 ? nullptr : ::_fdopen(copy, mode);
    if (!stream) {
        error = std::error_code(errno, std::generic_category());
        if (copy >= 0) ::_close(copy);
        return nullptr;
    }
    ::_setmode(copy, _O_BINARY);
    return stream;
}

}  // namespace

InputFile OpenStandardInput(std::error_code& error) {
    InputFile input = Measured(::GetStdHandle(STD_INPUT_HANDLE));
    input.stream = StandardStream(0, "rb", error);
    return input;
}

std::unique_ptr<OutputFile> OutputFile::CreateStandardOutput(std::error_code& error) {
    std::FILE* stream = StandardStream(1, "wb", error);
    if (!stream) return nullptr;
    return std::unique_ptr<OutputFile>(new OutputFile(stream, "-", {}, true));
}

std::string FollowLinks(const std::string& path) {
    return system::FollowSymbolicLinks(path);
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, bool replace,
                                               std::error_code& error) {
    // Opening the existing output for writing, without truncating it, asks
    // what a plain create would: may this user write it, is it a folder.
    // A symbolic link stays; the file it names, existing or not, is written.
    const std::string target = system::FollowSymbolicLinks(path);
    HANDLE probe = ::CreateFileA(target.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        if (::GetFileType(probe) != FILE_TYPE_DISK) {  // NUL, COM1, a pipe: written in place
            std::FILE* stream = StreamFor(probe, _O_WRONLY, "wb", error);
            if (!stream) return nullptr;
            return std::unique_ptr<OutputFile>(new OutputFile(stream, target, {}, replace));
        }
        // A read-only save is refused as Windows refuses to open it for
        // writing; asked of the file itself, since an administrator (or
        // Wine run as root) may be let through the open.
        BY_HANDLE_FILE_INFORMATION info;
        if (::GetFileInformationByHandle(probe, &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
            ::CloseHandle(probe);
            error = std::error_code(ERROR_ACCESS_DENIED, std::system_category());
            return nullptr;
        }
        ::CloseHandle(probe);
        // Replacing also needs the right to delete the old file, which a
        // program holding it open (an emulator with the save loaded) may
        // deny: better refused now than after the image is written.
        HANDLE replaceable = ::CreateFileA(target.c_str(), GENERIC_WRITE | DELETE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (replaceable == INVALID_HANDLE_VALUE) {
            error = LastError();
            return nullptr;
        }
        ::CloseHandle(replaceable);
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
        error = LastError();
        return nullptr;
    }

    // Named after the output; an output name near the length limit falls back
    // to a short name in the same folder.
    const std::string folder = system::FolderOf(target);
    RemoveStaleTemporaries(folder);
    bool useShortName = false;
    system::InterruptsHeld held;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = TemporaryName(useShortName ? folder : target, NextRandom());
        // Held open until moved into place: another run's clean-up, which
        // asks to be the only one with the file open, cannot take it then.
        // Shared in every way, so that this run can move it, or remove it on
        // Ctrl-C, without letting go, and another run that checks the output
        // it has just become is not refused.
        HANDLE handle = ::CreateFileA(temporary.c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            DWORD failure = ::GetLastError();
            if (failure == ERROR_FILE_EXISTS) continue;
            bool tooLong = failure == ERROR_FILENAME_EXCED_RANGE ||
                           failure == ERROR_PATH_NOT_FOUND || failure == ERROR_INVALID_NAME;
            if (tooLong && !useShortName) {
                useShortName = true;
                continue;
            }
            error = std::error_code(static_cast<int>(failure), std::system_category());
            return nullptr;
        }
        std::FILE* stream = StreamFor(handle, _O_WRONLY, "wb", error);
        if (!stream) {
            system::RemoveFile(temporary.c_str());
            return nullptr;
        }
        return std::unique_ptr<OutputFile>(new OutputFile(stream, target, temporary, replace));
    }
    error = std::make_error_code(std::errc::file_exists);
    return nullptr;
}

}  // namespace ondrel
