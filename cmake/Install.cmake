# Ships quorvel as desktop software: what `cmake --install` puts where (and so what the
# Debian package in debian/ holds), and the Windows version resource.
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
# The copyright file and the changelog are installed by debhelper in a package build,
# which names the changelog as Debian does; a plain install copies them itself.
option(QUORVEL_INSTALL_DOC_FILES "Install the copyright file and the changelog" ON)
set(QUORVEL_GZIPPED quorvel.1 quorvel.zh_CN.1)
if(QUORVEL_INSTALL_DOC_FILES)
    list(APPEND QUORVEL_GZIPPED changelog)
endif()
foreach(source IN LISTS QUORVEL_GZIPPED)
    add_custom_command(
        OUTPUT ${PROJECT_BINARY_DIR}/packaging/${source}.gz
        COMMAND ${QUORVEL_GZIP} -9nc ${QUORVEL_PACKAGING_DIR}/${source}
                > ${PROJECT_BINARY_DIR}/packaging/${source}.gz
        DEPENDS ${QUORVEL_PACKAGING_DIR}/${source}
        COMMENT "Compressing ${source}"
        VERBATIM)
endforeach()
list(TRANSFORM QUORVEL_GZIPPED APPEND .gz)
list(TRANSFORM QUORVEL_GZIPPED PREPEND ${PROJECT_BINARY_DIR}/packaging/)
add_custom_target(quorvel_packaging_docs ALL DEPENDS ${QUORVEL_GZIPPED})

install(FILES ${PROJECT_BINARY_DIR}/packaging/quorvel.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The Chinese manual page, where man finds it for a Chinese locale or `man -L zh_CN`.
install(FILES ${PROJECT_BINARY_DIR}/packaging/quorvel.zh_CN.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1 RENAME quorvel.1.gz)
if(QUORVEL_INSTALL_DOC_FILES)
    # The package name, not PROJECT_NAME as CMAKE_INSTALL_DOCDIR would have it.
    install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvel)
endif()
