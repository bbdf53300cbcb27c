# Keeps the source and build paths out of the Linux program and its debug information, so
# that the same sources build to the same bytes wherever they are checked out.
# dpkg-buildflags maps the build path itself, except when the path holds a character it
# would have to quote (a space): then this mapping is the one that applies.
if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
endif()

include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-ffile-prefix-map=/a=/b QUORVEL_HAVE_FILE_PREFIX_MAP)
if(NOT QUORVEL_HAVE_FILE_PREFIX_MAP)
    return()
endif()
# One map for a build directory inside the source tree (the presets' build/, debhelper's
# obj-*): with two, which applies would depend on their order, and dpkg-buildflags gives
# the source one only sometimes. A build directory elsewhere gets its own.
set(quorvel_mapped_dirs "${PROJECT_SOURCE_DIR}")
cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${PROJECT_BINARY_DIR}" NORMALIZE quorvel_build_inside)
if(NOT quorvel_build_inside)
    list(APPEND quorvel_mapped_dirs "${PROJECT_BINARY_DIR}")
endif()
foreach(dir IN LISTS quorvel_mapped_dirs)
    string(FIND "${CMAKE_CXX_FLAGS}" "-ffile-prefix-map=${dir}=" given)
    if(given EQUAL -1)
        add_compile_options("-ffile-prefix-map=${dir}=.")
    endif()
endforeach()
