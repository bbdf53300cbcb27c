# Builds that come out the same, byte for byte, wherever and whenever they are made: one
# release time for every stamp and file time, and no build path in what is built.

# The release time: SOURCE_DATE_EPOCH where the builder sets it (dpkg-buildpackage does,
# from debian/changelog), else the date of debian/changelog's latest entry itself, so that
# a clone and a source tarball without .git give the same files, and the clock never does.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(QUORVEL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
    set(quorvel_release_time_origin "SOURCE_DATE_EPOCH")
else()
    set(quorvel_release_time_origin "debian/changelog")
    file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog quorvel_trailer REGEX "^ -- .*>  "
         LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" quorvel_release_date "${quorvel_trailer}")
    execute_process(COMMAND date -u -d "${quorvel_release_date}" +%s
                    OUTPUT_VARIABLE QUORVEL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
endif()
if(NOT QUORVEL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No release time from ${quorvel_release_time_origin} "
        "('${QUORVEL_SOURCE_DATE_EPOCH}'): set SOURCE_DATE_EPOCH to seconds since 1970, "
        "or give debian/changelog a dated entry")
endif()

# A PE file's header holds its link time: 0 instead (strip stamps the release time).
if(MINGW)
    add_link_options(-Wl,--no-insert-timestamp)
endif()

# Debug information and __FILE__ name files relative to the sources, as Debian's builds
# do; dpkg-buildflags maps the build path itself, except when the path holds a character
# it would have to quote (a space): then this mapping is the one that applies.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
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
