# Makes the table of DS games' save chips that core/game_chips.cpp includes,
# from the list in core/data/ds-save-chips.tsv, at build time and with CMake
# alone, so that the native, MinGW and Emscripten builds make it alike:
#   cmake -DLIST=ds-save-chips.tsv -DTABLE=game_chip_table.inc -P GameChipTable.cmake
# Every row is checked, and a bad one fails the build: a code of four capitals
# or digits, in ascending order (the table is searched by halves), a size of a
# save chip, 0 for "none" and for nothing else, and a known type.
#
# The table is two arrays in the list's order: the codes one after another in
# one string, and a byte per game, the chip's type in its top three bits and
# the power of two of its size in the other five (0: no chip).

if(NOT LIST OR NOT TABLE)
    message(FATAL_ERROR "usage: cmake -DLIST=FILE.tsv -DTABLE=FILE.inc -P GameChipTable.cmake")
endif()

# The chip sizes a row may give (core/chip_size.h), by their powers of two.
foreach(shift 9 13 15 16 17 18 19 20 21 22 23 24 25 26)
    math(EXPR size "1 << ${shift}")
    set(shift_of_${size} ${shift})
endforeach()
# ChipType's values in core/game_chips.h.
set(type_none 0)
set(type_eeprom 1)
set(type_eeprom-or-fram 2)
set(type_flash 3)
set(type_nand 4)

file(STRINGS ${LIST} lines)
set(codes "")
set(chips "")
set(count 0)
set(previous "")
set(line_number 0)
foreach(line IN LISTS lines)
    math(EXPR line_number "${line_number} + 1")
    if(line MATCHES "^#" OR line STREQUAL "")
        continue()
    endif()
    if(NOT line MATCHES "^([A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9])\t([0-9]+)\t([a-z-]+)$")
        message(FATAL_ERROR "${LIST}:${line_number}: not CODE<tab>SIZE<tab>TYPE: ${line}")
    endif()
    set(code ${CMAKE_MATCH_1})
    set(size ${CMAKE_MATCH_2})
    set(type ${CMAKE_MATCH_3})
    if(NOT code STRGREATER previous)
        message(FATAL_ERROR "${LIST}:${line_number}: ${code} does not follow ${previous} in order")
    endif()
    if(NOT DEFINED type_${type})
        message(FATAL_ERROR "${LIST}:${line_number}: ${type} is no chip type")
    endif()
    if(type STREQUAL "none" AND size STREQUAL "0")
        set(shift 0)
    elseif(NOT type STREQUAL "none" AND DEFINED shift_of_${size})
        set(shift ${shift_of_${size}})
    else()
        message(FATAL_ERROR "${LIST}:${line_number}: ${size} bytes is no size of a ${type} chip")
    endif()
    math(EXPR byte "(${type_${type}} << 5) | ${shift}")
    string(APPEND codes "${code}")
    string(APPEND chips "${byte},")
    math(EXPR count "${count} + 1")
    # Sixteen games to a line of the generated file.
    math(EXPR column "${count} % 16")
    if(column EQUAL 0)
        string(APPEND codes "\"\n    \"")
        string(APPEND chips "\n    ")
    endif()
    set(previous ${code})
endforeach()

file(WRITE ${TABLE} "\
// Made by cmake/GameChipTable.cmake from core/data/ds-save-chips.tsv; edit the list, not this.
// The list: MIT License, Copyright (c) 2016-2022 melonDS team (core/data/LICENSE-ds-save-chips.txt).

inline constexpr std::size_t kGameCount = ${count};

inline constexpr char kGameCodes[] =
    \"${codes}\";

inline constexpr std::uint8_t kGameChipBytes[] = {
    ${chips}};
")
