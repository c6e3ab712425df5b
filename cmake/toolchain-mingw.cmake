# Cross-compiles the Windows programs with MinGW-w64 for the processor that
# ONDREL_MINGW_ARCH names (i686 or x86_64; set by the toolchain file that
# includes this one) and runs them, tests included, under Wine of the same
# width.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ONDREL_MINGW_ARCH})
set(triple ${ONDREL_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C, C++ and thread runtimes in, so the programs import only DLLs
# that ship with Windows; leave out every function a program does not call,
# which keeps the dialog small although it links the whole core.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")
# The Windows programs are built for size: the dialog has a size budget, and
# neither program spends its time in code that -O3 would speed up (a save is
# a few copies of 512 KiB at most).
# (CMake appends its own -O3 to the _INIT flags, so the cache holds them.)
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Release flags: made for size")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Release flags: made for size")

# A 64-bit program runs under 64-bit Wine in a 64-bit prefix, a 32-bit one
# under 32-bit Wine (scripts/wine-env.sh picks the loader).
if(ONDREL_MINGW_ARCH STREQUAL "x86_64")
    set(ONDREL_WINE_ARCH win64)
else()
    set(ONDREL_WINE_ARCH win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    env ONDREL_WINE_ARCH=${ONDREL_WINE_ARCH} ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
