#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs the whole test suite: once on the optimised build,
# then the fuzzers for a few seconds each (clang, libFuzzer), then the suite again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, then the Debian package (built
# with dpkg-buildpackage, checked, and tried with autopkgtest), then the Windows build
# (mingw-w64) with its tests under Wine. What this machine cannot run is left out, and
# said so; the command succeeds when everything it ran passed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$QUORVEL_ROOT"

left_out=()
ctest --preset default
build_preset fuzz
ctest --preset fuzz
build_preset sanitizers
ctest --preset sanitizers
bash scripts/check_package.sh "$QUORVEL_ROOT/build-deb"
build_preset windows
# quorvel.exe and the Windows tests are x86-64 programs: Debian's Wine runs them on an
# x86-64 machine only (on ARM it runs ARM programs).
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    ctest --preset windows
else
    left_out+=("the Windows build's tests (ctest --preset windows): they run quorvel.exe, an"
        "x86-64 program, under Wine, which runs x86-64 programs on an x86-64 machine only;"
        "this one is $(dpkg --print-architecture). The Windows build itself was built.")
fi
if ((${#left_out[@]})); then
    echo "Everything run passed. Left out on this machine: ${left_out[*]}"
fi
