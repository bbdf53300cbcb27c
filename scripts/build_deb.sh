#!/usr/bin/env bash
# Builds the Debian package of the clone this script lives in, the Debian way: installs
# the build dependencies that debian/control names (where missing), then runs
# `dpkg-buildpackage -b -us -uc`, and moves what it made (quorvel_*.deb, the debug-symbol
# package, .changes, .buildinfo) into OUTDIR.
# DEB_BUILD_OPTIONS=nocheck in the environment skips the package's tests and their
# build dependencies.
# Usage: build_deb.sh OUTDIR
set -euo pipefail

usage='usage: build_deb.sh OUTDIR'
out_dir=${1:?$usage}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

profiles=()
if [[ " ${DEB_BUILD_OPTIONS:-} " == *" nocheck "* ]]; then
    profiles=(-P nocheck)
    export DEB_BUILD_PROFILES="nocheck${DEB_BUILD_PROFILES:+ $DEB_BUILD_PROFILES}"
fi

cd "$root"
command -v dpkg-checkbuilddeps >/dev/null || as_root apt-get -o DPkg::Lock::Timeout=600 \
    install -y --no-install-recommends dpkg-dev
if ! dpkg-checkbuilddeps >/dev/null 2>&1; then
    apt=(apt-get -o DPkg::Lock::Timeout=600)
    as_root "${apt[@]}" update
    as_root env DEBIAN_FRONTEND=noninteractive "${apt[@]}" build-dep -y --no-install-recommends \
        "${profiles[@]}" ./
fi

# dpkg-buildpackage writes its results next to the tree; they are named after the
# package, its version and the machine's architecture.
package=$(dpkg-parsechangelog -S Source)
version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
parent=$(dirname "$root")
made=("${package}_${version}_$arch.deb" "${package}-dbgsym_${version}_$arch.deb"
    "${package}_${version}_$arch.changes" "${package}_${version}_$arch.buildinfo")
for file in "${made[@]}"; do
    rm -f "$parent/$file"
done

started=$SECONDS
dpkg-buildpackage -b -us -uc
for file in "${made[@]}"; do
    mv "$parent/$file" "$out_dir/"
done
echo "built in $((SECONDS - started)) s, in $out_dir:"
(cd "$out_dir" && sha256sum "${made[@]}")
