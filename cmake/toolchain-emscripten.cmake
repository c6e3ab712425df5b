# The browser build: Emscripten's own CMake toolchain, from wherever the
# installed Emscripten keeps it (Debian's package: /usr/share/emscripten).
# Its cache is Debian's prebuilt, frozen one; EM_CACHE must stay unset.
find_program(ONDREL_EM_CONFIG em-config)
if(NOT ONDREL_EM_CONFIG)
    message(FATAL_ERROR "em-config not found: install emscripten (scripts/setup.sh web)")
endif()
execute_process(COMMAND ${ONDREL_EM_CONFIG} EMSCRIPTEN_ROOT
                OUTPUT_VARIABLE ONDREL_EMSCRIPTEN_ROOT OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
include(${ONDREL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
