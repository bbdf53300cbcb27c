#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs the whole test suite: once on the optimised build,
# then the fuzzers for a few seconds each (clang, libFuzzer), then the suite again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, then the Debian package (built
# with dpkg-buildpackage, checked, and tried with autopkgtest), then the Windows build
# (mingw-w64) with its tests under Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$QUORVEL_ROOT"

ctest --preset default
build_preset fuzz
ctest --preset fuzz
build_preset sanitizers
ctest --preset sanitizers
bash scripts/check_package.sh "$QUORVEL_ROOT/build-deb"
build_preset windows
ctest --preset windows
