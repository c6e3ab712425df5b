// The program's entry point: hands over to the framework. Kept out of the
// framework library so that only the program, not the test programs, has it.

#include <windows.h>

#include <cstdlib>

#include "framework/win_app.h"

// The runtime's default std::terminate handler prints the uncaught
// exception's demangled type to the standard error stream, which a GUI
// program does not have. Ending at once instead also keeps the demangler
// (about a quarter of the program's size) out of the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
