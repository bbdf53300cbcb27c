# quorvel.exe: the Win32 window of src/window/win32 as one x86-64 GUI program with
# everything built in (table, pictures, icon, version information, manifest).
enable_language(RC)

# Version information and icon, from the same script as the packaging checks compile.
set(QUORVEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
foreach(part MAJOR MINOR PATCH TWEAK)
    math(EXPR QUORVEL_VERSION_${part} "0${PROJECT_VERSION_${part}} + 0")
endforeach()
set(QUORVEL_RC_VERSION_NUMBERS
    "${QUORVEL_VERSION_MAJOR},${QUORVEL_VERSION_MINOR},${QUORVEL_VERSION_PATCH},${QUORVEL_VERSION_TWEAK}")
set(QUORVEL_RC_ICON ${PROJECT_SOURCE_DIR}/assets/clover.ico)
set(QUORVEL_RC_FILE ${PROJECT_BINARY_DIR}/packaging/quorvel.rc)
configure_file(${QUORVEL_PACKAGING_DIR}/quorvel.rc.in ${QUORVEL_RC_FILE} @ONLY)
set_source_files_properties(${QUORVEL_RC_FILE} PROPERTIES OBJECT_DEPENDS ${QUORVEL_RC_ICON})

add_executable(quorvel WIN32 src/main_win32.cpp ${QUORVEL_RC_FILE})
target_link_libraries(quorvel PRIVATE quorvel_window quorvel_stroke_data quorvel_pictures)
if(MINGW)
    # wWinMain; everything else (C++ runtime, libgcc) is linked in by the toolchain's -static.
    target_compile_options(quorvel PRIVATE -municode)
    target_link_options(quorvel PRIVATE -municode)
    # ASLR anywhere in the 64-bit address space, no code run from data: binutils' default
    # since 2.36, asked for all the same. (Never --disable-reloc-section: ASLR needs them.)
    target_link_options(quorvel PRIVATE -Wl,--dynamicbase,--nxcompat,--high-entropy-va)
elseif(MSVC)
    # The manifest is in the resources; the linker's own would be a second one.
    target_link_options(quorvel PRIVATE /MANIFEST:NO)
endif()

include(cmake/WindowsPackaging.cmake)
