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

left_out=() # what this machine cannot run, and why: said before and after

# quorvel.exe and the Windows tests are x86-64 programs: Debian's Wine runs them on an
# x86-64 machine only (on ARM it runs ARM programs).
arch=$(dpkg --print-architecture)
[ "$arch" = amd64 ] ||
    left_out+=("the Windows build's tests (ctest --preset windows): they run quorvel.exe, an\
 x86-64 program, under Wine, which runs x86-64 programs on an x86-64 machine only, and this\
 one is $arch. The Windows build itself is built.")

# Under qemu-user (an ARM chroot on an x86-64 machine) the rest runs, many times slower,
# and the checks that prove nothing there are marked so by name as they come.
# AddressSanitizer reserves terabytes of shadow memory that a real kernel never backs;
# qemu-user backs what it maps, so under it the fuzzers and the sanitizer build's tests
# are killed for lack of memory (24 GB resident, seen in an arm64 chroot).
source tests/emulation.sh
slower=()
if emulation=$(emulation_in_use); then
    echo "Note: $emulation. Checks that need Qt to start another program (Label1 opening" \
        "the browser) are marked MEANINGLESS UNDER EMULATION: $emulation_no_child_programs." \
        "The time limits per test (ctest) and per test function (QtTest) are raised to 30" \
        "and 28 minutes."
    slower=(--timeout 1800)
    export QTEST_FUNCTION_TIMEOUT=1680000
    left_out+=("the fuzzers and the sanitizer build's tests: AddressSanitizer's shadow\
 memory, which qemu-user backs in full, exhausts this machine's memory.")
fi
say_left_out() {
    local what
    for what in "${left_out[@]}"; do
        echo "Left out on this machine: $what"
    done
}
say_left_out

ctest --preset default "${slower[@]}"
if [ -z "$emulation" ]; then
    build_preset fuzz
    ctest --preset fuzz
    build_preset sanitizers
    ctest --preset sanitizers
fi
bash scripts/check_package.sh "$QUORVEL_ROOT/build-deb"
build_preset windows
[ "$arch" != amd64 ] || ctest --preset windows
if ((${#left_out[@]})); then
    echo "Everything run passed."
    say_left_out
fi
[ -z "$emulation" ] ||
    echo "Under emulation: the checks marked MEANINGLESS UNDER EMULATION above were not run."
