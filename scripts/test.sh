#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs the whole test suite: once on the optimised build,
# then the fuzzers for a few seconds each (clang, libFuzzer), then the suite again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, then the Debian package (built
# with dpkg-buildpackage, checked, and tried with autopkgtest), then the Windows build
# (mingw-w64) with its tests under Wine. What this machine cannot run is left out, and
# said so before and after; the command succeeds when everything it ran passed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$QUORVEL_ROOT"

# quorvel.exe and the Windows tests are x86-64 programs: Debian's Wine runs them on an
# x86-64 machine only (on ARM it runs ARM programs).
arch=$(dpkg --print-architecture)
windows_tests=yes left_out=''
if [ "$arch" != amd64 ]; then
    windows_tests=no
    left_out="the Windows build's tests (ctest --preset windows): they run quorvel.exe, an\
 x86-64 program, under Wine, which runs x86-64 programs on an x86-64 machine only, and this\
 one is $arch. The Windows build itself is built."
    echo "Left out on this machine: $left_out"
fi

# Under qemu-user (an ARM chroot on an x86-64 machine) everything runs, many times slower,
# and the checks that prove nothing there are marked so by name as they come.
source tests/emulation.sh
slower=()
if emulation=$(emulation_in_use); then
    echo "Note: $emulation. Checks that need Qt to start another program (Label1 opening" \
        "the browser) are marked MEANINGLESS UNDER EMULATION: $emulation_no_child_programs." \
        "The time limits per test (ctest) and per test function (QtTest) are raised to 30" \
        "and 28 minutes. The fuzzers and the sanitizer build's tests are left out (why: below)."
    slower=(--timeout 1800)
    export QTEST_FUNCTION_TIMEOUT=1680000
fi

ctest --preset default "${slower[@]}"
# AddressSanitizer reserves terabytes of shadow memory that a real kernel never backs;
# qemu-user backs what it maps, so under it the fuzzers and the sanitizer build's tests
# are killed for lack of memory (24 GB resident, seen in an arm64 chroot).
if [ -n "$emulation" ]; then
    echo "Left out under emulation: the fuzzers and the sanitizer build's tests" \
        "(AddressSanitizer's shadow memory, which qemu-user backs in full, exhausts this machine's memory)."
else
    build_preset fuzz
    ctest --preset fuzz
    build_preset sanitizers
    ctest --preset sanitizers
fi
bash scripts/check_package.sh "$QUORVEL_ROOT/build-deb"
build_preset windows
[ "$windows_tests" = no ] || ctest --preset windows
[ -z "$left_out" ] || echo "Everything run passed. Left out on this machine: $left_out"
[ -z "$emulation" ] ||
    echo "Under emulation: the checks marked MEANINGLESS UNDER EMULATION above, the fuzzers" \
        "and the sanitizer build's tests were not run."
