# 64-bit Windows (PE32+, x86-64): the same program for machines whose Wine
# cannot run 32-bit programs.
set(ONDREL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
