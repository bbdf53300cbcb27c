# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: with GCC 12 only it has std::mutex, which GoogleTest needs on
# Windows. Its libwinpthread is linked in statically like the rest.
set(CMAKE_C_COMPILER ${QUORVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry libstdc++ and libgcc, so they run with nothing beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Hardening that GCC gives on Windows with nothing new to ship: canaries guarding the stack
# of every function with an array or an address taken, and string and stdio functions that
# check the size of what they write to (with optimisation). Both come from GCC's libssp,
# linked in statically like the rest. GCC has no Control Flow Guard, and no
# -fstack-clash-protection for Windows (GCC 12 fails on it): Windows' own stack probes
# (___chkstk_ms) already touch every page of a large frame. Taken at the first configure
# of a build folder (cmake --fresh for an older one).
set(QUORVEL_MINGW_HARDENING "-fstack-protector-strong -D_FORTIFY_SOURCE=2")
set(CMAKE_C_FLAGS_INIT ${QUORVEL_MINGW_HARDENING})
set(CMAKE_CXX_FLAGS_INIT ${QUORVEL_MINGW_HARDENING})

# ctest and gtest_discover_tests run the test executables under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine_run.sh)
