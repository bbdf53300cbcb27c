# Ships quorvel as desktop software: what `cmake --install` puts where, the Windows
# version resource, and the Debian package that CPack makes of the installed tree.
include(GNUInstallDirs)

set(QUORVEL_APP_ID org.example.quorvel)
set(QUORVEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QUORVEL_ICON_SIZES 32 48 64 128 256)

# --- Windows: version information and icon of quorvel.exe --------------------------
# Configured on every platform so that the tests can compile it with a cross windres.
math(EXPR QUORVEL_VERSION_MAJOR "${PROJECT_VERSION_MAJOR} + 0")
math(EXPR QUORVEL_VERSION_MINOR "0${PROJECT_VERSION_MINOR} + 0")
math(EXPR QUORVEL_VERSION_PATCH "0${PROJECT_VERSION_PATCH} + 0")
math(EXPR QUORVEL_VERSION_TWEAK "0${PROJECT_VERSION_TWEAK} + 0")
set(QUORVEL_RC_VERSION_NUMBERS
    "${QUORVEL_VERSION_MAJOR},${QUORVEL_VERSION_MINOR},${QUORVEL_VERSION_PATCH},${QUORVEL_VERSION_TWEAK}")
set(QUORVEL_RC_ICON ${PROJECT_SOURCE_DIR}/assets/clover.ico)
set(QUORVEL_RC_FILE ${PROJECT_BINARY_DIR}/packaging/quorvel.rc)
configure_file(${QUORVEL_PACKAGING_DIR}/quorvel.rc.in ${QUORVEL_RC_FILE} @ONLY)

if(WIN32)
    enable_language(RC)
    target_sources(quorvel PRIVATE ${QUORVEL_RC_FILE})
    # The compiler does not see the icon as a dependency of the resource.
    set_source_files_properties(${QUORVEL_RC_FILE} PROPERTIES OBJECT_DEPENDS ${QUORVEL_RC_ICON})
endif()

# --- Installed files -----------------------------------------------------------------
install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT UNIX OR APPLE)
    return()
endif()

# Directories made by an install keep their mode whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(FILES ${QUORVEL_PACKAGING_DIR}/quorvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUORVEL_PACKAGING_DIR}/${QUORVEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS QUORVEL_ICON_SIZES)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/quorvel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME quorvel.png)
endforeach()

# Debian wants the manual page and changelog gzipped at the highest level and without
# a timestamp (-n), so that the package comes out the same from the same sources.
find_program(QUORVEL_GZIP gzip REQUIRED)
set(QUORVEL_GZIPPED)
foreach(pair IN ITEMS "quorvel.1|quorvel.1.gz" "changelog|changelog.gz")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 target)
    add_custom_command(
        OUTPUT ${PROJECT_BINARY_DIR}/packaging/${target}
        COMMAND ${QUORVEL_GZIP} -9nc ${QUORVEL_PACKAGING_DIR}/${source}
                > ${PROJECT_BINARY_DIR}/packaging/${target}
        DEPENDS ${QUORVEL_PACKAGING_DIR}/${source}
        COMMENT "Compressing ${source}"
        VERBATIM)
    list(APPEND QUORVEL_GZIPPED ${PROJECT_BINARY_DIR}/packaging/${target})
endforeach()
add_custom_target(quorvel_packaging_docs ALL DEPENDS ${QUORVEL_GZIPPED})

install(FILES ${PROJECT_BINARY_DIR}/packaging/quorvel.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The package name, not PROJECT_NAME as CMAKE_INSTALL_DOCDIR would have it. A version
# without a Debian revision makes this a native package, whose changelog Debian names
# changelog.gz rather than changelog.Debian.gz.
set(QUORVEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorvel)
install(FILES ${QUORVEL_PACKAGING_DIR}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${QUORVEL_DOC_DIR})

# --- Debian package ------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel developers")
set(CPACK_PACKAGE_CONTACT "Quorvel developers <quorvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "count the strokes of a Chinese character")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/quorvel)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# dpkg-shlibdeps finds the Qt and C++ libraries. The fonts it cannot see: the window
# asks for them by name at run time, as its Song, Hei and Kai faces.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, fonts-wqy-zenhei, fonts-arphic-ukai")
# Qt's Wayland plugin gives a Wayland session a native window; without it Qt falls back
# to X11 through XWayland, so the program still runs, and an X11-only system need not have
# it: a recommendation, which apt installs by default.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# The synopsis line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Quorvel is a small desktop utility. Enter a simplified or traditional
Chinese character, or a Korean or Japanese one, by typing, pasting or with
an input method, and it shows the character's stroke count at once.

The stroke table of 20,901 CJK ideographs, made from the Unicode Unihan
database, is built into the program.]])

include(CPack)
