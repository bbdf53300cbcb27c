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

ctest --preset default
build_preset fuzz
ctest --preset fuzz
build_preset sanitizers
ctest --preset sanitizers
bash scripts/check_package.sh "$QUORVEL_ROOT/build-deb"
build_preset windows
[ "$windows_tests" = no ] || ctest --preset windows
[ -z "$left_out" ] || echo "Everything run passed. Left out on this machine: $left_out"
