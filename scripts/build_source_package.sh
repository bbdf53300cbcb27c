#!/usr/bin/env bash
# Builds the Debian source package of this tree, the files a distribution takes: the
# upstream tarball (scripts/make_orig_tarball.sh), the packaging as
# quorvel_VERSION.debian.tar.xz and quorvel_VERSION.dsc, all into OUTDIR. It runs
# dpkg-source on a copy of the commit's files, so that nothing is written beside the
# tree, and the same commit gives the same files from a clone or an export.
# Usage: build_source_package.sh OUTDIR
set -euo pipefail

out=${1:?usage: build_source_package.sh OUTDIR}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
command -v dpkg-source >/dev/null || {
    echo "build_source_package.sh: dpkg-source is missing (Debian package dpkg-dev)" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-source.XXXXXX")
trap 'rm -rf "$work"' EXIT
orig=$(bash "$root/scripts/make_orig_tarball.sh" "$work")
tar -x -C "$work" -f "$orig"
tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d)

# The packaging of the same commit: from git in a clone, else the tree's, without what a
# package build leaves in it.
if git -C "$root" rev-parse --show-toplevel 2>/dev/null | grep -qxF "$root"; then
    git -C "$root" archive --format=tar HEAD debian | tar -x -C "$tree"
else
    tar -c -C "$root" --exclude=./debian/.debhelper --exclude=./debian/quorvel \
        --exclude=./debian/files --exclude='./debian/*.substvars' \
        --exclude='./debian/*.debhelper.log' --exclude=./debian/debhelper-build-stamp \
        ./debian | tar -x -C "$tree"
fi
date=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Timestamp)
chmod -R u+rw,go=rX "$tree/debian"
find "$tree/debian" -exec touch -h -d "@$date" {} +

(cd "$work" && dpkg-source --build "$(basename "$tree")" >"$work/dpkg-source.log" 2>&1) || {
    cat "$work/dpkg-source.log" >&2
    exit 1
}
dsc=$(cd "$work" && ls -- *.dsc)
for file in "$dsc" $(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]* [0-9]* //p' "$work/$dsc"); do
    mv "$work/$file" "$out/"
    echo "$out/$file"
done
