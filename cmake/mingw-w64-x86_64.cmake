# Cross-building quorvel.exe for 64-bit Windows on Debian with the mingw-w64 compilers
# (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEL_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_PREFIX}-windres)

# Headers and libraries come from the mingw-w64 tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file that needs nothing installed: the C++ runtime and libgcc linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs built for Windows run under Wine.
find_program(QUORVEL_WINE NAMES wine wine64)
if(QUORVEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEL_WINE})
endif()
