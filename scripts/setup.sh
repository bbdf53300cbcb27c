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
    local release=$1 arch=$2 line words
    while IFS= read -r line; do
        line=${line%%#*}
        if [[ $line =~ ^[[:space:]]*([a-z0-9]+):(.*)$ ]]; then
            [ "${BASH_REMATCH[1]}" = "$release" ] || [ "${BASH_REMATCH[1]}" = "$arch" ] || continue
            line=${BASH_REMATCH[2]}
        fi
        read -ra words <<<"$line" # words, never file names ("wine?" is a pattern)
        [ ${#words[@]} -eq 0 ] || printf '%s\n' "${words[@]}"
    done <"$QUORVEL_ROOT/scripts/packages.txt"
}

# Installs what is missing. A package marked "?" is left out where the release's archive
# lacks it (testing drops a package while it has release-critical bugs), and named in
# QUORVEL_NOT_IN_ARCHIVE; every other one must install.
QUORVEL_NOT_IN_ARCHIVE=()
install_packages() {
    local release package wanted missing=() optional=()
    release=$(debian_release) || exit 1
    mapfile -t wanted < <(wanted_packages "$release" "$(dpkg --print-architecture)")
    for package in "${wanted[@]}"; do
        [ "${package%\?}" = "$package" ] || optional+=("${package%\?}")
        package=${package%\?}
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    local apt=(apt-get -o DPkg::Lock::Timeout=600) available=()
    as_root "${apt[@]}" update
    for package in "${missing[@]}"; do
        if [[ " ${optional[*]} " == *" $package "* ]] &&
            [ -z "$(apt-cache policy "$package" | sed -n 's/^ *Candidate: //p' | grep -vx '(none)')" ]; then
            QUORVEL_NOT_IN_ARCHIVE+=("$package")
        else
            available+=("$package")
        fi
    done
    ((${#QUORVEL_NOT_IN_ARCHIVE[@]} == 0)) ||
        echo "Not in this release's archive, so left out: ${QUORVEL_NOT_IN_ARCHIVE[*]}"
    ((${#available[@]} == 0)) && return 0
    echo "Installing: ${available[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y --no-install-recommends \
        "${available[@]}"
}

# build_preset PRESET [CMAKE_OPTION...]: configures and builds one of CMakePresets.json's.
build_preset() {
    (cd "$QUORVEL_ROOT" && cmake --preset "$@" && cmake --build --preset "$1" --parallel "$(nproc)")
}

install_packages
