# Builds that come out the same, byte for byte, wherever and whenever they are made: one
# release time for every stamp and file time, and no build path in what is built.

# The release time: SOURCE_DATE_EPOCH where the builder sets it (dpkg-buildpackage does,
# from debian/changelog), else the date of debian/changelog's latest entry itself, so that
# a clone and a source tarball without .git give the same files, and the clock never does.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(QUORVEL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
    set(origin "SOURCE_DATE_EPOCH")
else()
    set(origin "debian/changelog")
    file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" release_date "${trailer}")
    execute_process(COMMAND date -u -d "${release_date}" +%s
                    OUTPUT_VARIABLE QUORVEL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
endif()
if(NOT QUORVEL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No release time from ${origin} ('${QUORVEL_SOURCE_DATE_EPOCH}'): "
        "set SOURCE_DATE_EPOCH to seconds since 1970, or give debian/changelog a dated entry")
endif()

# Debug information and __FILE__ name files from the source folder as "." (as Debian's
# builds do), and a build folder outside it as "build".
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.")
    file(RELATIVE_PATH build_folder ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    if(build_folder MATCHES "^\\.\\./")
        add_compile_options("-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
    endif()
endif()
# A PE file's header holds its link time; 0 instead, as strip then stamps the release time.
if(MINGW)
    add_link_options(-Wl,--no-insert-timestamp)
endif()
