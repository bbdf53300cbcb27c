#!/usr/bin/env bash
# The Linux package as the test command tries it: built the Debian way with its quick
# tests (scripts/build_deb.sh), checked (tests/packaging/check_deb.sh: contents, lintian,
# hardening-check, install and removal), then its autopkgtest run with the null runner,
# that is on this machine, against the package installed here, which is purged afterwards.
# Needs root (or sudo) for the installs.
# Usage: check_package.sh OUTDIR
set -euo pipefail

out=${1:?usage: check_package.sh OUTDIR}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

started=$SECONDS
bash "$root/scripts/build_deb.sh" "$out"
built=$SECONDS
bash "$root/tests/packaging/check_deb.sh" "$root" "$out" "$out/check"
checked=$SECONDS

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
deb=$out/quorvel_${version}_$(dpkg-architecture -qDEB_HOST_ARCH 2>/dev/null).deb
# The null runner installs the package and the tests' dependencies here and leaves them.
purge() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y \
        purge quorvel >/dev/null 2>&1 || true
}
trap purge EXIT
rm -rf "$out/autopkgtest"
status=0
as_root autopkgtest --output-dir "$out/autopkgtest" "$deb" "$root" -- null || status=$?
echo "autopkgtest summary (exit $status):"
sed 's/^/  /' "$out/autopkgtest/summary" 2>/dev/null || true
echo "package step: built in $((built - started)) s, checked in $((checked - built)) s," \
    "autopkgtest in $((SECONDS - checked)) s"
exit $status
