# 32-bit Windows (PE32, i386): the program users download.
set(ONDREL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
