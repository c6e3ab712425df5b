// Win32 grouped commit: the temporaries of a batch are written and closed,
// then each is flushed to the disk, and only then moved over its target.

#include <windows.h>

#include <cerrno>

#include "core/file_io.h"
#include "platform/win32/move_into_place.h"

namespace ondrel {
namespace {

std::error_code LastError() {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

std::error_code FlushToDisk(const std::string& path) {
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    std::error_code error;
    if (!::FlushFileBuffers(handle)) error = LastError();
    ::CloseHandle(handle);
    return error;
}

}  // namespace

std::error_code OutputGroup::Add(std::unique_ptr<OutputFile> file) {
    std::error_code error;
    if (std::fflush(file->stream_) != 0) error = std::error_code(errno, std::generic_category());
    if (std::fclose(file->stream_) != 0 && !error)
        error = std::error_code(errno, std::generic_category());
    file->stream_ = nullptr;
    if (!error) files_.push_back(std::move(file));
    return error;
}

std::vector<std::error_code> OutputGroup::Commit() {
    std::vector<std::error_code> results(files_.size());
    for (std::size_t i = 0; i < files_.size(); ++i) {
        OutputFile& file = *files_[i];
        if (file.temporary_.empty()) continue;  // a device, written in place
        results[i] = FlushToDisk(file.temporary_);
        if (results[i]) continue;
        results[i] = MoveIntoPlace(file.temporary_.c_str(), file.target_.c_str());
        if (results[i]) {
            continue;
        }
        file.temporary_.clear();
    }
    files_.clear();  // removes the temporaries that were not moved
    return results;
}

}  // namespace ondrel
