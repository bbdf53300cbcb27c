# Ships quorvel.exe for Windows: an install tree with quorvel.exe and LICENSE at its root,
# which CPack makes into an NSIS installer and a portable zip (that one also gets a
# README.txt). `cpack` in the build directory makes both.
set(QUORVEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QUORVEL_WINDOWS_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging/windows)

# The packages take this component only: other install rules of the build (a bin/ for
# `cmake --install`) do not end up in them.
set(QUORVEL_WINDOWS_COMPONENT windows_package)
install(TARGETS quorvel RUNTIME DESTINATION . COMPONENT ${QUORVEL_WINDOWS_COMPONENT})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT ${QUORVEL_WINDOWS_COMPONENT})
# The installer takes the same two, named in this order, and its uninstaller deletes them
# so: CPack would list them in whatever order the build machine's file system does.
set(QUORVEL_NSIS_INSTALL_FILES "")
set(QUORVEL_NSIS_DELETE_FILES "")
foreach(file LICENSE quorvel.exe)
    string(APPEND QUORVEL_NSIS_INSTALL_FILES "  File \"\${INST_DIR}\\${file}\"\n")
    string(APPEND QUORVEL_NSIS_DELETE_FILES "  Delete \"$INSTDIR\\${file}\"\n")
endforeach()
set(CPACK_NSIS_FULL_INSTALL "${QUORVEL_NSIS_INSTALL_FILES}")

# The zip's README.txt, alone in a folder that only the ZIP generator adds (see the
# per-generator options below). CRLF, as Notepad and other Windows tools expect; the
# source keeps its byte order mark, without which Notepad may not read it as UTF-8.
set(QUORVEL_PORTABLE_EXTRAS_DIR ${QUORVEL_WINDOWS_PACKAGING_DIR}/portable)
configure_file(${QUORVEL_PACKAGING_DIR}/README-windows.txt.in
               ${QUORVEL_PORTABLE_EXTRAS_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)

# --- Common to both packages ---------------------------------------------------------
set(CPACK_GENERATOR NSIS ZIP)
# Values reach CPack as written here, so NSIS paths keep single backslashes.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME Quorvel)
set(CPACK_PACKAGE_VENDOR "Quorvel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# One package of the one component, without a choice of components in the installer.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};${QUORVEL_WINDOWS_COMPONENT};/")
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_PROJECT_CONFIG_FILE ${QUORVEL_WINDOWS_PACKAGING_DIR}/cpack-per-generator.cmake)
string(
    CONFIGURE
        [[
# CPack reads this once for each generator.

# strip stamps quorvel.exe with the time it runs unless SOURCE_DATE_EPOCH says otherwise:
# the release time, the one the build took, so both packages carry the same file.
set(ENV{SOURCE_DATE_EPOCH} @QUORVEL_SOURCE_DATE_EPOCH@)

if(CPACK_GENERATOR STREQUAL "ZIP")
    # The files at the top of the archive: Explorer's "Extract All" already makes a
    # folder named after the zip.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_INSTALLED_DIRECTORIES "@QUORVEL_PORTABLE_EXTRAS_DIR@;.")
endif()
]]
        QUORVEL_CPACK_PER_GENERATOR
    @ONLY)
file(GENERATE OUTPUT ${CPACK_PROJECT_CONFIG_FILE} CONTENT "${QUORVEL_CPACK_PER_GENERATOR}")

# The zip keeps each file's time, which is when the build or CPack wrote it, and its mode,
# which follows the builder's umask: every staged file and folder gets the release time,
# and the modes a umask of 022 gives, before they are packed.
set(CPACK_PRE_BUILD_SCRIPTS ${QUORVEL_WINDOWS_PACKAGING_DIR}/release-file-times.cmake)
file(CONFIGURE OUTPUT ${CPACK_PRE_BUILD_SCRIPTS} CONTENT [[
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
execute_process(COMMAND chmod -R u=rwX,go=rX "${CPACK_TEMPORARY_DIRECTORY}"
                RESULT_VARIABLE mode_failed)
execute_process(COMMAND touch -h -d @@QUORVEL_SOURCE_DATE_EPOCH@ ${staged} "${CPACK_TEMPORARY_DIRECTORY}"
                RESULT_VARIABLE time_failed)
if(mode_failed OR time_failed)
    message(FATAL_ERROR "cannot set the modes and times of the files in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
]] @ONLY)

# The zip still holds its files in the order the file system lists them, with their
# owner's ids and times in the builder's time zone: Debian's strip-nondeterminism sorts
# them and gives each the release time and no owner.
find_program(QUORVEL_STRIP_NONDETERMINISM strip-nondeterminism REQUIRED)
set(CPACK_POST_BUILD_SCRIPTS ${QUORVEL_WINDOWS_PACKAGING_DIR}/normalise-zip.cmake)
file(CONFIGURE OUTPUT ${CPACK_POST_BUILD_SCRIPTS} CONTENT [[
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\.zip$")
        execute_process(COMMAND "@QUORVEL_STRIP_NONDETERMINISM@" --type zip
                                --timestamp @QUORVEL_SOURCE_DATE_EPOCH@ "${package}"
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "strip-nondeterminism could not normalise ${package}")
        endif()
    endif()
endforeach()
]] @ONLY)

# --- NSIS installer ------------------------------------------------------------------
# Text placed inside a double-quoted NSIS string: $ and " are special there.
function(quorvel_nsis_string out text)
    string(REPLACE "$" "$$" text "${text}")
    string(REPLACE "\"" "$\\\"" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(CPACK_NSIS_PACKAGE_NAME ${CPACK_PACKAGE_NAME})
set(CPACK_NSIS_DISPLAY_NAME ${CPACK_PACKAGE_NAME})
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${CPACK_PACKAGE_NAME})
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${CPACK_PACKAGE_NAME})
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/assets/clover.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/assets/clover.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME quorvel.exe)
set(CPACK_NSIS_URL_INFO_ABOUT https://example.org/quorvel)
set(CPACK_NSIS_CONTACT quorvel@example.org)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# An installed copy is removed first, after a question in the user's language, silently
# under /S (packaging/quorvel-installer.nsh.in), so that installing again upgrades in place.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "Call QuorvelRemoveInstalled")

# Start-menu shortcut: the clover icon from quorvel.exe, the description as its comment.
quorvel_nsis_string(QUORVEL_NSIS_DESCRIPTION "${PROJECT_DESCRIPTION}")
set(QUORVEL_NSIS_SHORTCUT "$SMPROGRAMS\\$STARTMENU_FOLDER\\${CPACK_PACKAGE_NAME}.lnk")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut \"${QUORVEL_NSIS_SHORTCUT}\" \"$INSTDIR\\quorvel.exe\" \"\" \"$INSTDIR\\quorvel.exe\" 0 SW_SHOWNORMAL \"\" \"${QUORVEL_NSIS_DESCRIPTION}\""
)
# CPack's uninstaller deletes "Software\<vendor>\<key>" but not the vendor key it made
# room for; that goes once empty.
set(CPACK_NSIS_DELETE_ICONS_EXTRA
    "Delete \"$SMPROGRAMS\\$MUI_TEMP\\${CPACK_PACKAGE_NAME}.lnk\"
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")

# CPack's template writes no EstimatedSize; Apps & features shows it in KiB. The key
# goes as a whole on uninstall, this value with it.
set(QUORVEL_NSIS_UNINSTALL_KEY
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "\${GetSize} \"$INSTDIR\" \"/S=0K\" $0 $1 $2
  WriteRegDWORD SHCTX \"${QUORVEL_NSIS_UNINSTALL_KEY}\" \"EstimatedSize\" \"$0\"")
# The name the installer gave the uninstall shortcut, read before the entry goes.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "ReadRegStr $QuorvelUninstallShortcut SHCTX \"${QUORVEL_NSIS_UNINSTALL_KEY}\" \"QuorvelUninstallShortcut\"")

# What the template has no variable for (target, version information, the Chinese the
# installer speaks, the upgrade question) is in a script that makensis reads first. Its four-part
# version comes from PROJECT_VERSION.
set(QUORVEL_VI_VERSION "${PROJECT_VERSION_MAJOR}")
foreach(part MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
        string(APPEND QUORVEL_VI_VERSION ".0")
    else()
        math(EXPR number "${PROJECT_VERSION_${part}} + 0")
        string(APPEND QUORVEL_VI_VERSION ".${number}")
    endif()
endforeach()
quorvel_nsis_string(QUORVEL_INSTALLER_DESCRIPTION "${CPACK_PACKAGE_NAME} 安装程序")
set(QUORVEL_INSTALLER_HEADER ${QUORVEL_WINDOWS_PACKAGING_DIR}/quorvel-installer.nsh)
configure_file(${QUORVEL_PACKAGING_DIR}/quorvel-installer.nsh.in ${QUORVEL_INSTALLER_HEADER}
               @ONLY)
# CPack splits this at blanks and takes a backslash as escaping the next character.
string(REPLACE " " "\\ " QUORVEL_INSTALLER_HEADER_ARGUMENT "${QUORVEL_INSTALLER_HEADER}")
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS "-X!include\\ \\\"${QUORVEL_INSTALLER_HEADER_ARGUMENT}\\\"")

# CPack gets a copy of its template with these changes, and takes it from CPACK_MODULE_PATH
# over its own: the Chinese of the installer and the uninstaller can only be chosen in
# .onInit and un.onInit, which the template defines with no way in, so each calls the
# header's QuorvelChooseLanguage first; the uninstaller deletes the files named above; and
# the uninstall shortcut is named in the installer's language.
# quorvel_nsis_template_replace(TEXT NEW): in QUORVEL_NSIS_TEMPLATE, which must hold TEXT.
function(quorvel_nsis_template_replace text new)
    string(FIND "${QUORVEL_NSIS_TEMPLATE}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "CPack's NSIS template has no \"${text}\" to change")
    endif()
    string(REPLACE "${text}" "${new}" changed "${QUORVEL_NSIS_TEMPLATE}")
    set(QUORVEL_NSIS_TEMPLATE "${changed}" PARENT_SCOPE)
endfunction()

set(QUORVEL_NSIS_TEMPLATE_DIR ${QUORVEL_WINDOWS_PACKAGING_DIR}/cpack-templates)
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in QUORVEL_NSIS_TEMPLATE)
quorvel_nsis_template_replace("\nFunction .onInit\n"
                              "\nFunction .onInit\n  Call QuorvelChooseLanguage\n")
quorvel_nsis_template_replace("\nFunction un.onInit\n"
                              "\nFunction un.onInit\n  Call un.QuorvelChooseLanguage\n")
quorvel_nsis_template_replace("@CPACK_NSIS_DELETE_FILES@" "${QUORVEL_NSIS_DELETE_FILES}")
# The Start menu's uninstall shortcut is named in the installer's language, with the words
# of the uninstaller's own title (NSIS's "Uninstall Quorvel", "卸载 Quorvel", ...). The
# uninstall entry keeps that name: the uninstaller may speak another language by then.
quorvel_nsis_template_replace(
    "  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\Uninstall.lnk\""
    "  WriteRegStr SHCTX \"${QUORVEL_NSIS_UNINSTALL_KEY}\" \"QuorvelUninstallShortcut\" \"$(MUI_UNTEXT_CONFIRM_TITLE).lnk\"
  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\$(MUI_UNTEXT_CONFIRM_TITLE).lnk\"")
# Both places the uninstaller deletes the shortcut from; Uninstall.lnk is an older
# installer's.
quorvel_nsis_template_replace(
    "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\Uninstall.lnk\"\n"
    "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\Uninstall.lnk\"
  StrCmp $QuorvelUninstallShortcut \"\" +2
  Delete \"$SMPROGRAMS\\$MUI_TEMP\\$QuorvelUninstallShortcut\"\n")
file(WRITE ${QUORVEL_NSIS_TEMPLATE_DIR}/NSIS.template.in "${QUORVEL_NSIS_TEMPLATE}")
set(CPACK_MODULE_PATH ${QUORVEL_NSIS_TEMPLATE_DIR})
set(CPACK_NSIS_DEFINES "!insertmacro QuorvelChooseLanguage \"\"
  !insertmacro QuorvelChooseLanguage un.")

include(CPack)
