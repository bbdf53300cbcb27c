# With -fcf-protection every object the compiler makes is marked as fit for Intel's
# indirect branch tracking (IBT) and shadow stacks (SHSTK), and the linker marks the
# program only if all its inputs are. The C library's start files take part in every
# link: Debian 13's glibc marks them, Debian 12's (built without CET) does not, which
# would leave the program unmarked whatever its own code is. There the marking is asked
# for explicitly. Those start files only call and return, as shadow stacks need; their
# _init and _fini lack the landing pad IBT wants, which would matter only under IBT
# enforcement for programs, which Linux does not offer (it has shadow stacks since 6.6,
# and glibc enables them only when libc itself is marked, as Debian 12's is not).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crti.o
                OUTPUT_VARIABLE quorvel_crti OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT CMAKE_READELF OR NOT IS_ABSOLUTE "${quorvel_crti}" OR NOT EXISTS "${quorvel_crti}")
    return()
endif()
execute_process(COMMAND ${CMAKE_READELF} -n ${quorvel_crti} OUTPUT_VARIABLE quorvel_crti_notes)
if(NOT quorvel_crti_notes MATCHES "x86 feature: IBT, SHSTK")
    message(STATUS "The C library's start files are not marked for IBT and SHSTK: "
        "marking the program with -z ibt -z shstk")
    add_link_options(LINKER:-z,ibt LINKER:-z,shstk)
endif()
