#!/usr/bin/env bash
# Makes the upstream tarball of the Debian source package, quorvel_VERSION.orig.tar.gz:
# the project's files of the commit, without debian/, under quorvel-VERSION/. The same
# commit gives the same bytes from a clone or from an export without .git, at any path and
# at any time: the files are taken in name order, owned by root, with the modes a umask of
# 022 gives and the date of debian/changelog's latest entry.
#  - In a clone, the files are those of the commit checked out (HEAD); changes not yet
#    committed are not in it, and dpkg-source then says so.
#  - In an export, they are the tree's files but for what .gitignore leaves out (builds), and
#    quilt's .pc where it is an unpacked source package.
# Prints the tarball's path.
# Usage: make_orig_tarball.sh [OUTDIR]   (default: the folder above the tree, where
#        dpkg-source looks for it)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$(dirname "$root")}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for tool in dpkg-parsechangelog tar gzip; do
    command -v "$tool" >/dev/null || {
        echo "make_orig_tarball.sh: $tool is missing (Debian packages dpkg-dev, tar, gzip)" >&2
        exit 1
    }
done

changelog=$root/debian/changelog
source_name=$(dpkg-parsechangelog -l "$changelog" -S Source)
version=$(dpkg-parsechangelog -l "$changelog" -S Version)
upstream=${version#*:}
upstream=${upstream%-*}
date=$(dpkg-parsechangelog -l "$changelog" -S Timestamp)
top=$source_name-$upstream
tarball=$out/${source_name}_$upstream.orig.tar.gz

stage=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-orig.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$top"

# The patterns of .gitignore that an export can hold: "/name/" and "/name" at the top,
# "*.ext" anywhere. Prints tar --exclude options.
ignored_by_git() {
    local pattern
    while IFS= read -r pattern; do
        pattern=${pattern%%#*}
        pattern=${pattern%"${pattern##*[![:space:]]}"}
        case $pattern in
            '') ;;
            /*) pattern=${pattern#/} && printf '%s\n' "--exclude=./${pattern%/}" ;;
            *) printf '%s\n' "--exclude=$pattern" ;;
        esac
    done <"$root/.gitignore"
}

if git -C "$root" rev-parse --show-toplevel 2>/dev/null | grep -qxF "$root"; then
    git -C "$root" archive --format=tar HEAD | tar -x -C "$stage/$top"
else
    mapfile -t excludes < <(ignored_by_git)
    # .pc is quilt's record of the patches applied, which dpkg-source writes as it unpacks.
    tar -c -C "$root" --exclude=./.git --exclude=./.pc "${excludes[@]}" . | tar -x -C "$stage/$top"
fi
rm -rf "${stage:?}/$top/debian"

# One mode and one time for every file: what the umask or the checkout left must not count.
chmod -R u+rw,go=rX "$stage/$top"
tar -c -C "$stage" --sort=name --format=gnu --mtime="@$date" --owner=0 --group=0 \
    --numeric-owner "$top" | gzip -9n >"$tarball.new"
mv "$tarball.new" "$tarball"
echo "$tarball"
