#!/usr/bin/env bash
# Builds the Debian package of the clone (or export) this script lives in, the way a
# distribution does: makes the source package (scripts/build_source_package.sh), unpacks
# it with dpkg-source into a folder of its own, installs what debian/control says the
# build needs (where missing) and runs dpkg-buildpackage there. What it made (the .deb,
# the debug symbols' .deb where there is one, .changes, .buildinfo) goes into OUTDIR, with
# the source package in OUTDIR/source; nothing is written beside the tree.
#  -a ARCH  cross-builds for the Debian architecture ARCH, with the profiles cross and
#           nocheck (a cross build's tests are programs for another machine); adds ARCH
#           to dpkg's architectures and installs crossbuild-essential-ARCH where missing.
#  -t DIR   unpacks and builds in DIR/quorvel-VERSION and keeps it there, with the build
#           folder, for tests to run in (by default a temporary folder, removed after).
# DEB_BUILD_OPTIONS=nocheck or DEB_BUILD_PROFILES=nocheck skips the package's tests and
# their build dependencies. Prints the files it made.
# Usage: build_deb.sh [-a ARCH] [-t DIR] OUTDIR
set -euo pipefail

usage='usage: build_deb.sh [-a ARCH] [-t DIR] OUTDIR'
host_arch='' keep=''
while getopts a:t: option; do
    case $option in
        a) host_arch=$OPTARG ;;
        t) keep=$OPTARG ;;
        *) echo "$usage" >&2 && exit 2 ;;
    esac
done
shift $((OPTIND - 1))
out_dir=${1:?$usage}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
command -v dpkg-source >/dev/null || as_root "${apt[@]}" install -y --no-install-recommends dpkg-dev

profiles=()
if [ -n "$host_arch" ]; then
    profiles=(cross nocheck)
    export DEB_BUILD_OPTIONS="nocheck${DEB_BUILD_OPTIONS:+ $DEB_BUILD_OPTIONS}"
elif [[ " ${DEB_BUILD_OPTIONS:-} ${DEB_BUILD_PROFILES:-} " == *" nocheck "* ]]; then
    profiles=(nocheck)
fi
for profile in ${DEB_BUILD_PROFILES:-}; do
    [[ " ${profiles[*]} " == *" $profile "* ]] || profiles+=("$profile")
done
profile_option=()
((${#profiles[@]} == 0)) || profile_option=("-P$(IFS=,; echo "${profiles[*]}")")
arch_option=()
[ -z "$host_arch" ] || arch_option=(-a "$host_arch")

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    work=$(cd "$keep" && pwd)
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-deb.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
rm -rf "$work/source"
mkdir "$work/source"
bash "$root/scripts/build_source_package.sh" "$work/source" >/dev/null
dsc=$(ls "$work"/source/*.dsc)
tree=$work/$(basename "$dsc" .dsc | sed 's/_\([^-]*\)-.*/-\1/')
rm -rf "$tree"
dpkg-source --extract "$dsc" "$tree" >/dev/null

if [ -n "$host_arch" ]; then
    if ! dpkg --print-foreign-architectures | grep -qxF "$host_arch" &&
        [ "$host_arch" != "$(dpkg --print-architecture)" ]; then
        as_root dpkg --add-architecture "$host_arch"
        as_root "${apt[@]}" update
    fi
    installed "crossbuild-essential-$host_arch" || {
        as_root "${apt[@]}" update
        as_root "${apt[@]}" install -y --no-install-recommends "crossbuild-essential-$host_arch"
    }
fi
cd "$tree"
if ! dpkg-checkbuilddeps "${arch_option[@]}" "${profile_option[@]}" >/dev/null 2>&1; then
    as_root "${apt[@]}" update
    as_root "${apt[@]}" build-dep -y --no-install-recommends "${arch_option[@]}" \
        "${profile_option[@]}" ./
fi

started=$SECONDS
dpkg-buildpackage "${arch_option[@]}" "${profile_option[@]}" -b -us -uc
# The .changes lists everything else the build made beside the tree.
changes=$(ls "$work"/*_"$(dpkg-architecture "${arch_option[@]}" -qDEB_HOST_ARCH 2>/dev/null)".changes)
mv "$changes" "$out_dir/"
echo "built in $((SECONDS - started)) s, in $out_dir:"
(cd "$out_dir" && sha256sum "$(basename "$changes")")
for file in $(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]* [0-9]* [^ ]* [^ ]* //p' "$out_dir/$(basename "$changes")"); do
    mv "$work/$file" "$out_dir/"
    (cd "$out_dir" && sha256sum "$file")
done
rm -rf "$out_dir/source"
cp -r "$work/source" "$out_dir/source"
