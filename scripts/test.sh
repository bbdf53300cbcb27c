#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs the whole test suite: once on the optimised build,
# then again built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$QUORVEL_ROOT"

ctest --preset default
build_preset sanitizers
ctest --preset sanitizers
