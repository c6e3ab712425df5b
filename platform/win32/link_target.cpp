#include "platform/win32/link_target.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace ondrel::system {
namespace {

constexpr DWORD kSymbolicLinkTag = 0xA000000C;  // IO_REPARSE_TAG_SYMLINK
constexpr std::size_t kPathBuffer = 20;         // tag, lengths, name offsets, flags
constexpr unsigned long kRelative = 1;          // SYMLINK_FLAG_RELATIVE

template <typename T>
T Read(const unsigned char* data, std::size_t at) {
    T value;
    std::memcpy(&value, data + at, sizeof value);
    return value;
}

std::string Narrow(const std::wstring& wide) {
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                              length, nullptr, nullptr);
    return narrow;
}

}  // namespace

std::optional<LinkTarget> DecodeSymbolicLink(const unsigned char* data, std::size_t size) {
    if (size < kPathBuffer || Read<DWORD>(data, 0) != kSymbolicLinkTag) return std::nullopt;
    const std::size_t offset = Read<WORD>(data, 8), length = Read<WORD>(data, 10);
    if (length % 2 != 0 || kPathBuffer + offset + length > size) return std::nullopt;
    LinkTarget target;
    target.relative = (Read<unsigned long>(data, 16) & kRelative) != 0;
    target.path.resize(length / 2);
    std::memcpy(target.path.data(), data + kPathBuffer + offset, length);
    if (target.path.rfind(L"\\??\\UNC\\", 0) == 0)
        target.path.replace(0, 8, L"\\\\");
    else if (target.path.rfind(L"\\??\\", 0) == 0)
        target.path.erase(0, 4);
    if (target.path.empty()) return std::nullopt;
    return target;
}

std::optional<std::string> ReadSymbolicLink(const std::string& path) {
    HANDLE link = ::CreateFileA(
        path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (link == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<unsigned char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    const BOOL read = ::DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                        static_cast<DWORD>(data.size()), &got, nullptr);
    ::CloseHandle(link);
    const auto target = read ? DecodeSymbolicLink(data.data(), got) : std::nullopt;
    if (!target) return std::nullopt;
    return Narrow(target->path);
}

}  // namespace ondrel::system
