#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs the whole test suite: once on the optimised build,
# then the fuzzers for a few seconds each (clang, libFuzzer), then the tests that run the
# project's C++ code again built with AddressSanitizer and UndefinedBehaviorSanitizer, and
# the Windows build (mingw-w64) with its tests under Wine; each build after the first is
# made in the background while the tests of the one before run. What this machine cannot
# run is left out, and said so before and after; the command succeeds when everything it
# ran passed. At the end, also after a failure, it prints how long each stage took. (The
# Debian package is checked the way Debian checks one by scripts/check_debian.sh.)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/stages.sh"
stage_begin "packages (apt-get)"
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
stage_end
cd "$QUORVEL_ROOT"

left_out=() # what this machine cannot run, and why: said before and after

# Without XDG_RUNTIME_DIR (CI, a root shell, a container) each Qt program of the tests
# makes /tmp/runtime-$USER and leaves it there: the tests get one in the build folder.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR=$QUORVEL_BUILD/test-runtime
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi

# quorvel.exe and the Windows tests are x86-64 programs: Debian's Wine runs them on an
# x86-64 machine only (on ARM it runs ARM programs).
arch=$(dpkg --print-architecture)
windows_tests=yes
if [ "$arch" != amd64 ]; then
    windows_tests=
    left_out+=("the Windows build's tests (ctest --preset windows): they run quorvel.exe, an\
 x86-64 program, under Wine, which runs x86-64 programs on an x86-64 machine only, and this\
 one is $arch. The Windows build itself is built.")
elif [[ " ${QUORVEL_NOT_IN_ARCHIVE[*]} " == *" wine "* ]]; then
    windows_tests=
    left_out+=("the Windows build's tests (ctest --preset windows): they run quorvel.exe under\
 Wine, which this release's archive does not hold now. The Windows build itself is built.")
fi

# Under qemu-user (an ARM chroot on an x86-64 machine) the rest runs, many times slower,
# with every time limit six times as long, and the checks that prove nothing there are
# skipped, each with its reason. AddressSanitizer reserves terabytes of shadow memory that
# a real kernel never backs; qemu-user backs what it maps, so under it the fuzzers and the
# sanitizer build's tests are killed for lack of memory (24 GB resident, seen in an arm64
# chroot).
source tests/emulation.sh
time_scale=1
if emulation=$(emulation_in_use); then
    time_scale=6
    echo "Note: $emulation. Every time limit is $time_scale times as long: per test (ctest)" \
        "and per test function (QtTest)."
    export QTEST_FUNCTION_TIMEOUT=$((300000 * time_scale))
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

# The tests share no display, bus, input method or Wine prefix (each makes its own), so
# they run side by side, one per core, while the next builds go on in the background.
# The Windows tests, which mostly wait on Wine, run while the sanitizer build is made;
# the sanitizer tests, which keep the processor busy, come last. Under an emulator, where
# the time limits were set for one test at a time, nothing runs beside a test.
jobs=$(nproc) builds=(windows)
[ -n "$emulation" ] || builds=(fuzz windows sanitizers)
[ -z "$emulation" ] || jobs=1

stage "default: build" build_preset default -DQUORVEL_TIME_SCALE=$time_scale
[ -n "$emulation" ] || build_in_background "${builds[@]}"
stage "default: tests" ctest --preset default --timeout $((600 * time_scale)) --parallel "$jobs"
[ -z "$emulation" ] || build_in_background "${builds[@]}"
for preset in "${builds[@]}"; do
    await_build "$preset"
    [ "$preset" != windows ] || [ -n "$windows_tests" ] || continue
    stage "$preset: tests" ctest --preset "$preset" --parallel "$jobs"
done
trap - EXIT
print_stage_times
if ((${#left_out[@]})); then
    echo "Everything run passed."
    say_left_out
fi
