# The protections Debian builds its packages with, for every build of the Linux program
# (and of its tests, so that they run what ships). A flag the caller already passes, as
# dpkg-buildflags does through CXXFLAGS and LDFLAGS, is not added a second time.
option(QUORVEL_HARDENING "Build with stack protection, _FORTIFY_SOURCE, stack clash and \
control-flow protection, PIE and full RELRO (GCC and clang on Linux)" ON)
if(NOT QUORVEL_HARDENING OR WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

# quorvel_harden_compile FLAG [SEEN]: adds FLAG unless CMAKE_CXX_FLAGS holds SEEN (the flag
# itself by default) or the compiler does not know it.
function(quorvel_harden_compile flag)
    set(seen "${flag}")
    if(ARGC GREATER 1)
        set(seen "${ARGV1}")
    endif()
    string(FIND " ${CMAKE_CXX_FLAGS} " "${seen}" at)
    if(NOT at EQUAL -1)
        return()
    endif()
    string(MAKE_C_IDENTIFIER "QUORVEL_HAVE${flag}" known)
    check_cxx_compiler_flag("${flag}" ${known})
    if(${known})
        add_compile_options("${flag}")
    endif()
endfunction()

quorvel_harden_compile(-fstack-protector-strong "-fstack-protector")
quorvel_harden_compile(-fstack-clash-protection)
# Control-flow protection is each target's own: x86's CET, AArch64's BTI and PAC. The
# compiler refuses the flag of a target it does not build for, which is what decides here,
# not the build machine (CMAKE_SYSTEM_PROCESSOR is its uname in a native build, and an
# armhf chroot on an arm64 machine says aarch64).
quorvel_harden_compile(-fcf-protection "-fcf-protection")
quorvel_harden_compile(-mbranch-protection=standard "-mbranch-protection")
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("#if !defined(__x86_64__) || defined(__ILP32__)
#error not x86-64
#endif
int main() {}" QUORVEL_TARGET_X86_64)
if(QUORVEL_TARGET_X86_64)
    include(cmake/CetStartFiles.cmake) # Linux has shadow stacks for x86-64 programs only
endif()
# printf-style calls with a format that is not a literal are errors, as in Debian.
string(FIND "${CMAKE_CXX_FLAGS}" "-Werror=format-security" format_given)
if(format_given EQUAL -1)
    add_compile_options(-Wformat -Werror=format-security)
endif()

# _FORTIFY_SOURCE works only with optimisation (glibc warns at -O0). Undefined first: a
# compiler that defines it by default would otherwise see it redefined.
string(FIND "${CMAKE_CXX_FLAGS}" "_FORTIFY_SOURCE" fortify_given)
if(fortify_given EQUAL -1)
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()

# Position-independent executables, so that ASLR places the program too.
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# Full RELRO: the relocations are read-only before the program runs.
foreach(part relro now)
    string(FIND "${CMAKE_EXE_LINKER_FLAGS}" "-z,${part}" given)
    if(given EQUAL -1)
        add_link_options("LINKER:-z,${part}")
    endif()
endforeach()
