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
# that ship with Windows.
#
# --gc-sections does not leave out the C++ functions a program never calls.
# The linker script for Windows programs keeps every .eh_frame section it is
# given (KEEP), and GCC writes one such section per object, holding the
# unwind entry of each of the object's functions: every function of an object
# that is linked at all stays reachable, whether it has a section of its own
# (-ffunction-sections) or not. (64-bit programs keep their .pdata entries the
# same way.) What the collection does drop is sections nothing refers to:
# unused data, and code of objects without unwind tables such as the C
# runtime's. Sections of their own for every function and datum only padded
# the programs (212,480 bytes with them, 209,408 without, for Ondrel.exe;
# 1,597,440 and 1,593,856 for ondrel-convert.exe).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")

# Release programs are linked with link-time optimization instead: the
# compiler sees the whole program at the link and emits no function that
# nothing calls, and none of the runtime's explicit instantiations that the
# program's own copies make redundant. StoreSaveImage, OpenStandardInput and
# FollowLinks were in Ondrel.exe without it; 239,616 bytes at -Os came down to
# 215,552 at -O2. GoogleTest is built without it (cmake/Testing.cmake).
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE ON)
# At -O1, the smallest level at which this compiler links every program so:
# at -Os, GCC 12 for MinGW stops with an internal error (in
# binds_to_current_def_p) linking most test programs. -O2 inlines far more
# (Ondrel.exe 222,208 bytes, against 212,480 at -O1), and neither program
# spends its time in code that it would speed up (a save is a few copies of
# 512 KiB at most). CMake appends its own -O3 to the _INIT flags, so the
# cache holds these, forced so that a build folder made with other release
# flags takes them: -Os there would stop the build.
set(CMAKE_C_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "Release flags: with link-time optimization" FORCE)
set(CMAKE_CXX_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "Release flags: with link-time optimization" FORCE)

# A 64-bit program runs under 64-bit Wine in a 64-bit prefix, a 32-bit one
# under 32-bit Wine (scripts/wine-env.sh picks the loader).
if(ONDREL_MINGW_ARCH STREQUAL "x86_64")
    set(ONDREL_WINE_ARCH win64)
else()
    set(ONDREL_WINE_ARCH win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    env ONDREL_WINE_ARCH=${ONDREL_WINE_ARCH} ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
