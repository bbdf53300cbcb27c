#!/usr/bin/env bash
# Builds the released files twice from the same commit and compares them byte for byte:
# the Debian source package (.dsc, upstream and packaging tarballs), the Debian package
# (and its debug symbols), quorvel.exe, the Windows zip and installer.
# The first build is from a clone, the second, minutes later, from an export of the same
# commit without .git (as a source tarball unpacks) at another path, one with a space in
# it. Prints each file's hash from both builds; exits non-zero if any differ.
# Usage: check_reproducible.sh [WORK_DIR]   (default: a new folder in /var/tmp, removed after)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

repo=$QUORVEL_ROOT
if [ $# -gt 0 ]; then
    work=$1
    mkdir -p "$work"
else
    work=$(mktemp -d /var/tmp/quorvel-reproducible.XXXXXX)
    trap 'rm -rf "$work"' EXIT
fi
commit=$(git -C "$repo" rev-parse HEAD)

# build_release TREE OUT: every released file of TREE into OUT.
build_release() {
    local tree=$1 out=$2 began=$SECONDS
    mkdir -p "$out"
    DEB_BUILD_OPTIONS=nocheck bash "$tree/scripts/build_deb.sh" "$out" >"$out.deb.log" 2>&1 || {
        tail -n 30 "$out.deb.log"
        echo "the Debian package of $tree did not build" >&2
        return 1
    }
    (cd "$tree" && cmake --preset windows && cmake --build --preset windows --target quorvel \
        --parallel "$(nproc)" && cd build-windows && cpack -B "$out/windows") >"$out.windows.log" 2>&1 || {
        tail -n 30 "$out.windows.log"
        echo "the Windows files of $tree did not build" >&2
        return 1
    }
    mv "$out"/source/* "$out/" && rmdir "$out/source"
    cp "$tree/build-windows/quorvel.exe" "$out/"
    mv "$out"/windows/*.exe "$out"/windows/*.zip "$out/"
    rm -rf "$out/windows"
    echo "=== built $tree in $((SECONDS - began)) s"
}

first=$work/clone second="$work/source tarball"
git clone -q "$repo" "$first"
git -C "$first" checkout -q "$commit"
mkdir -p "$second"
git -C "$repo" archive "$commit" | tar -x -C "$second"

build_release "$first" "$work/first"
build_release "$second" "$work/second"

status=0
cd "$work/first"
released=(*.dsc *.tar.* *.deb *.exe *.zip)
for file in "${released[@]}"; do
    first_hash=$(sha256sum <"$work/first/$file" | cut -d' ' -f1)
    second_hash=$(sha256sum <"$work/second/$file" 2>/dev/null | cut -d' ' -f1) || second_hash=missing
    if [ "$first_hash" = "$second_hash" ]; then
        echo "same       $first_hash  $file"
    else
        echo "DIFFERENT  $first_hash  $file (first build)"
        echo "           ${second_hash:-missing}  $file (second build)"
        status=1
        if command -v diffoscope >/dev/null && [ -f "$work/second/$file" ]; then
            diffoscope --text - "$work/first/$file" "$work/second/$file" | head -n 60 || true
        fi
    fi
done
[ ${#released[@]} -ge 8 ] || {
    echo "expected the .dsc, its two tarballs, two .deb, quorvel.exe, the installer and the" \
        "zip; built: $(ls)" >&2
    status=1
}
if [ $status -eq 0 ]; then
    echo "reproducible: both builds of $commit gave the same ${#released[@]} files"
else
    echo "NOT reproducible: the two builds of $commit differ" >&2
fi
exit $status
