#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs the whole test suite.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ctest --test-dir "$QUORVEL_BUILD" --output-on-failure --timeout 600
