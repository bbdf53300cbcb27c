#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing, and offers
# build_preset to configure and build Quorvel out of source (the "default" preset in
# build/). Sourced by run.sh, test.sh and check_reproducible.sh.
set -euo pipefail

QUORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUORVEL_BUILD=$QUORVEL_ROOT/build # where the "default" preset builds

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

source "$QUORVEL_ROOT/scripts/debian_release.sh"

# The packages of scripts/packages.txt for RELEASE on the Debian architecture ARCH:
# comments dropped, and lines marked for another release ("12: ...") or another
# architecture ("amd64: ...") left out.
wanted_packages() {
    local release=$1 arch=$2 line
    while IFS= read -r line; do
        line=${line%%#*}
        if [[ $line =~ ^[[:space:]]*([a-z0-9]+):(.*)$ ]]; then
            [ "${BASH_REMATCH[1]}" = "$release" ] || [ "${BASH_REMATCH[1]}" = "$arch" ] || continue
            line=${BASH_REMATCH[2]}
        fi
        printf '%s\n' $line
    done <"$QUORVEL_ROOT/scripts/packages.txt"
}

install_packages() {
    local release package missing=()
    release=$(debian_release) || exit 1
    for package in $(wanted_packages "$release" "$(dpkg --print-architecture)"); do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local apt=(apt-get -o DPkg::Lock::Timeout=600)
        as_root "${apt[@]}" update
        as_root env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y --no-install-recommends \
            "${missing[@]}"
    fi
}

# build_preset PRESET [CMAKE_OPTION...]: configures and builds one of CMakePresets.json's.
build_preset() {
    (cd "$QUORVEL_ROOT" && cmake --preset "$@" && cmake --build --preset "$1" --parallel "$(nproc)")
}

install_packages
