# GoogleTest: Debian's packaged library natively; built from Debian's source
# package with the cross compiler for Windows. Nothing is downloaded.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
    set(ONDREL_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources to build for the target")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    # Without link-time optimization (which the Windows toolchain asks for):
    # GoogleTest's CMake code predates it, and every test program would
    # optimize all of GoogleTest again at its link.
    block()
        set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE OFF)
        add_subdirectory(${ONDREL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    endblock()
else()
    find_package(GTest REQUIRED)
endif()

if(CMAKE_CROSSCOMPILING AND WIN32)
    # Scripts that start Wine are run through ONDREL_WINE_ENV, which names the
    # Wine of the build's width (set by the toolchain file).
    set(ONDREL_WINE_ENV env ONDREL_WINE_ARCH=${ONDREL_WINE_ARCH})

    # Every test program runs under Wine, in one private prefix per build
    # folder that a fixture creates before the first test and shuts down after
    # the last, so no Wine server outlives the test run.
    set(ONDREL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
    add_test(NAME wine.prefix.setup
             COMMAND ${ONDREL_WINE_ENV} ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh start
                     ${ONDREL_WINEPREFIX})
    add_test(NAME wine.prefix.cleanup
             COMMAND ${ONDREL_WINE_ENV} ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh stop
                     ${ONDREL_WINEPREFIX})
    set_tests_properties(wine.prefix.setup PROPERTIES FIXTURES_SETUP wine)
    set_tests_properties(wine.prefix.cleanup PROPERTIES FIXTURES_CLEANUP wine)

    # A small disk that Windows test programs fill (a tmpfs, seen through
    # Wine's Z: drive), named to them in ONDREL_SMALL_DISK.
    set(ONDREL_SMALL_DISK "${CMAKE_BINARY_DIR}/small-disk")
    add_test(NAME small_disk.mount
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/small-disk.sh mount ${ONDREL_SMALL_DISK} 300k)
    add_test(NAME small_disk.unmount
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/small-disk.sh unmount ${ONDREL_SMALL_DISK})
    set_tests_properties(small_disk.mount PROPERTIES FIXTURES_SETUP small_disk)
    set_tests_properties(small_disk.unmount PROPERTIES FIXTURES_CLEANUP small_disk)
endif()

# Gives a Windows test program the small disk, one program at a time.
function(ondrel_use_small_disk target)
    if(CMAKE_CROSSCOMPILING AND WIN32)
        set_property(TEST ${target} APPEND PROPERTY FIXTURES_REQUIRED small_disk)
        set_tests_properties(${target} PROPERTIES RESOURCE_LOCK small_disk
                                                  ENVIRONMENT ONDREL_SMALL_DISK=${ONDREL_SMALL_DISK})
    endif()
endfunction()

# Test programs that open real windows under Wine take this lock, so that
# only one of them at a time drives the Open dialog and message boxes.
set(ONDREL_WINE_UI_LOCK wine_ui)

# The test programs that run in the browser build, under Node: those that
# touch no file. The others are not built there. A new one is a name here.
set(ONDREL_WASM_TESTS
    source_kind_test
    save_formats_test
    save_image_test
    save_plan_test
    game_code_test
    game_chips_test
)

# Registers a GoogleTest program with CTest: one CTest test per case natively,
# one per program under Wine (where listing the cases would start Wine twice)
# and under Node (Emscripten's CMake runs it there).
function(ondrel_add_gtest target)
    if(EMSCRIPTEN)
        if(target IN_LIST ONDREL_WASM_TESTS)
            add_test(NAME ${target} COMMAND ${target})
            set_tests_properties(${target} PROPERTIES TIMEOUT 300)
        else()
            set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
        endif()
    elseif(CMAKE_CROSSCOMPILING)
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
    endif()
endfunction()
