# Release packages, made from what `cmake --install` installs:
#   Windows: a zip with Ondrel.exe, ondrel-convert.exe, the README and the licence;
#   Linux:   a tarball and a Debian package with ondrel-convert and its man page.
# Built by scripts/package.sh, or in one build folder by its `package` target.

set(ONDREL_DOC_FILES ${PROJECT_SOURCE_DIR}/LICENSE)
if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
    list(APPEND ONDREL_DOC_FILES ${PROJECT_SOURCE_DIR}/README.md)
endif()

set(CPACK_PACKAGE_NAME ondrel)
set(CPACK_PACKAGE_VENDOR "Ondrel developers")
set(CPACK_PACKAGE_CONTACT "Ondrel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts Nintendo DS flash-cart saves into J8 save images")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
    # The programs and their documents side by side at the top of the zip.
    install(FILES ${ONDREL_DOC_FILES} DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME win32)
else()
    install(FILES ${ONDREL_DOC_FILES} DESTINATION share/doc/ondrel)
    set(CPACK_GENERATOR TGZ DEB)
    set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
           "ondrel-convert reads saves of the SC, Acekard (*.nds.sav), M3 (*.dat),\n"
           "DSLink, EZ-Flash4 and EWIN2 (*.sav) cartridges and writes the raw\n"
           "512 KiB save image of the J8 cartridge.")
endif()

include(CPack)
