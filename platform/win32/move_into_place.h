#pragma once

#include <windows.h>

#include <system_error>

namespace ondrel {

// Moves a finished temporary over its target. A virus scanner or the search
// indexer often opens a file the moment it is closed; the move is retried
// for a short while when the file is only busy.
inline std::error_code MoveIntoPlace(const char* temporary, const char* target) {
    for (DWORD attempt = 0;; ++attempt) {
        if (::MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        DWORD error = ::GetLastError();
        bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!busy || attempt == 5)
            return std::error_code(static_cast<int>(error), std::system_category());
        ::Sleep(20 * (attempt + 1));
    }
}

}  // namespace ondrel
