#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing, then configures
# and builds Quorvel out of source in build/. Sourced by run.sh and test.sh.
set -euo pipefail

QUORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUORVEL_BUILD=$QUORVEL_ROOT/build # where the "default" preset builds

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local wanted missing=()
    wanted=$(sed 's/#.*//' "$QUORVEL_ROOT/scripts/packages.txt" | tr -s ' \t' '\n' | sed '/^$/d')
    for package in $wanted; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
            "${missing[@]}"
    fi
}

# Configures and builds one of the presets of CMakePresets.json.
build_preset() {
    (cd "$QUORVEL_ROOT" && cmake --preset "$1" && cmake --build --preset "$1" --parallel "$(nproc)")
}

install_packages
build_preset default
