# Release packages, made from what `cmake --install` installs:
#   Windows: a zip with Ondrel.exe, ondrel-convert.exe, the page, the README,
#            the licence and that of the list of games' save chips;
#   Linux:   a tarball and a Debian package with ondrel-convert, its man page,
#            the page (share/ondrel/ondrel.html), the README, the licence and
#            Debian's copyright and changelog.
# The page is built by the wasm preset; scripts/package.sh builds it first.
# Built by scripts/package.sh, or in one build folder by its `package` target.

# Every Debian package carries /usr/share/doc/<package>/copyright and
# changelog.gz (lintian refuses it otherwise). Both are made in the build
# folder: the copyright file in Debian's machine-readable form from LICENSE
# and from the licence of the list of games' save chips, whose notice must go
# with every copy of it (the table in the programs is one), and a one-entry
# changelog for this version, dated as the man page is (its title line
# already names the release; cli/CMakeLists.txt checks the version).
function(ondrel_debian_docs)
    set(licence_file ${PROJECT_SOURCE_DIR}/LICENSE)
    set(list_licence_file ${ONDREL_GAME_LIST_LICENCE})
    set(man_page ${PROJECT_SOURCE_DIR}/cli/ondrel-convert.1)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${licence_file}
                                                                   ${list_licence_file} ${man_page})
    set(out ${CMAKE_BINARY_DIR}/debian)

    file(READ ${licence_file} licence)
    if(NOT licence MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.+)$")
        message(FATAL_ERROR "LICENSE is not the MIT licence the Debian copyright file "
                            "is made from; update cmake/Packaging.cmake with it")
    endif()
    set(holders ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" text)
    # The list's licence is the same text under its own holders: one licence
    # paragraph serves both (Debian refuses one name given two texts).
    file(READ ${list_licence_file} list_licence)
    if(NOT list_licence MATCHES "\nMIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.+)$")
        message(FATAL_ERROR "${list_licence_file} holds no MIT licence; update "
                            "cmake/Packaging.cmake with it")
    endif()
    set(list_holders ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" list_text)
    if(NOT list_text STREQUAL text)
        message(FATAL_ERROR "${list_licence_file} is another text than LICENSE's; give it a "
                            "licence paragraph of its own in cmake/Packaging.cmake")
    endif()
    # The licence text as a field's continuation lines: each indented by a
    # space, an empty line written as " .".
    string(REPLACE "\n\n" "\n.\n" text "${text}")
    string(REPLACE "\n" "\n " text "${text}")
    # "Expat" is Debian's name for this text of the MIT licence.
    file(CONFIGURE OUTPUT ${out}/copyright @ONLY CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Ondrel

Files: *
Copyright: @holders@
License: Expat

Files: core/data/ds-save-chips.tsv
Copyright: @list_holders@
Comment: The list of DS games' save chips, which ondrel-convert and the page
 carry as a table, is taken from the game database of melonDS.
License: Expat

License: Expat
 @text@
]])

    file(STRINGS ${man_page} title LIMIT_COUNT 1 REGEX "^\\.TH ")
    if(NOT title MATCHES "^\\.TH [^ ]+ [0-9]+ \"?([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\"? ")
        message(FATAL_ERROR "cli/ondrel-convert.1: the title line's date is not YYYY-MM-DD")
    endif()
    execute_process(COMMAND date -u -R -d ${CMAKE_MATCH_1}
                    OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    set(version ${PROJECT_VERSION})
    set(maintainer ${ONDREL_MAINTAINER})
    file(CONFIGURE OUTPUT ${out}/changelog @ONLY CONTENT [[
ondrel (@version@) unstable; urgency=medium

  * Ondrel @version@; its git history records the changes.

 -- @maintainer@  @date@
]])
    # Compressed as the man page is: -9 as Debian asks, -n for no name or
    # time stamp in the archive, so the package builds reproducibly.
    add_custom_command(OUTPUT ${out}/changelog.gz
                       COMMAND gzip -9nc changelog > changelog.gz
                       DEPENDS ${out}/changelog
                       WORKING_DIRECTORY ${out})
    add_custom_target(ondrel-debian-docs ALL DEPENDS ${out}/changelog.gz)
    install(FILES ${out}/copyright ${out}/changelog.gz DESTINATION share/doc/ondrel)
endfunction()

set(ONDREL_PAGE ${PROJECT_SOURCE_DIR}/build/wasm/web/ondrel.html CACHE FILEPATH
    "The browser page to package, as the wasm preset builds it")
if(NOT EXISTS ${ONDREL_PAGE})
    message(STATUS "No page at ${ONDREL_PAGE}: the packages will not hold it "
                   "(cmake --preset wasm && cmake --build --preset wasm makes it)")
endif()

# The licence of the list of games' save chips goes with the programs that
# carry its table: beside them in the zip, and in the Debian copyright file.
set(ONDREL_GAME_LIST_LICENCE ${PROJECT_SOURCE_DIR}/core/data/LICENSE-ds-save-chips.txt)
set(ONDREL_DOC_FILES ${PROJECT_SOURCE_DIR}/LICENSE)
if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
    list(APPEND ONDREL_DOC_FILES ${PROJECT_SOURCE_DIR}/README.md)
endif()

# Debian wants a maintainer as "Name <address>"; example.org is a reserved
# domain standing in until the project has an address of its own.
set(ONDREL_MAINTAINER "Ondrel developers <ondrel@example.org>" CACHE STRING
    "Maintainer of the release packages, as Name <address>")

set(CPACK_PACKAGE_NAME ondrel)
set(CPACK_PACKAGE_VENDOR "Ondrel developers")
set(CPACK_PACKAGE_CONTACT "${ONDREL_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts Nintendo DS flash-cart saves into J8 save images")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
    # The documents at the top of the zip, the programs in bin/. The licence
    # of the list of games' save chips goes beside each program that carries
    # its table: the page at the top, ondrel-convert.exe in bin/.
    install(FILES ${ONDREL_DOC_FILES} ${ONDREL_GAME_LIST_LICENCE} DESTINATION .)
    install(FILES ${ONDREL_GAME_LIST_LICENCE} DESTINATION bin)
    if(EXISTS ${ONDREL_PAGE})
        install(FILES ${ONDREL_PAGE} DESTINATION .)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME win32)
else()
    install(FILES ${ONDREL_DOC_FILES} DESTINATION share/doc/ondrel)
    if(EXISTS ${ONDREL_PAGE})
        install(FILES ${ONDREL_PAGE} DESTINATION share/ondrel)
    endif()
    set(CPACK_GENERATOR TGZ DEB)
    set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
           "ondrel-convert reads saves of the SC, Acekard (*.nds.sav), M3 (*.dat),\n"
           "DSLink, EZ-Flash4 and EWIN2 (*.sav) cartridges, of emulators and of\n"
           "Action Replay, and writes the raw 512 KiB save image of the J8\n"
           "cartridge, a bare save or a .dsv. /usr/share/ondrel/ondrel.html does\n"
           "the same in a web browser, offline.")
    ondrel_debian_docs()
endif()

include(CPack)
