#!/usr/bin/env bash
# Runs the test command, scripts/test.sh, on a fresh system of another Debian release: a
# minimal one made by mmdebstrap from the mirror this machine's apt uses, with git and a
# clone of this repository's commit, started as a container (systemd-nspawn) so that what
# runs and is mounted in it ends with it. The system is deleted afterwards.
# Usage: test_release.sh SUITE   (as root)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
suite=${1:?usage: test_release.sh SUITE}
[ "$(id -u)" -eq 0 ] || { echo "test_release.sh runs as root" >&2 && exit 2; }
source "$root/scripts/debian_tools.sh"
install_tools mmdebstrap systemd-container python3
mirror=$(debian_mirror)
read_release "$mirror" "$suite"
aptopt=()
[ -z "$index_expired" ] || aptopt=(--aptopt='Acquire::Check-Valid-Until "false"')

tree=$(mktemp -d "/var/tmp/quorvel-$suite.XXXXXX")
trap 'rm -rf --one-file-system "$tree"' EXIT
trap 'exit 130' INT TERM
chmod 755 "$tree" # the Wayland test's plain user must reach everything below it
began=$SECONDS
mmdebstrap --variant=minbase --include=git,ca-certificates "${aptopt[@]}" "$suite" "$tree" \
    "$mirror" >"$tree.log" 2>&1 || { tail -n 20 "$tree.log" && rm -f "$tree.log" && exit 1; }
rm -f "$tree.log"
# libdbus aborts without a machine id; mmdebstrap leaves it for the first boot to make.
od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$tree/etc/machine-id"
git clone -q "$root" "$tree/quorvel"
git -C "$tree/quorvel" checkout -q "$(git -C "$root" rev-parse HEAD)"
echo "=== a fresh $suite from $mirror in $((SECONDS - began)) s; scripts/test.sh in it:"

systemd-nspawn --quiet --register=no --keep-unit --as-pid2 --directory="$tree" \
    --chdir=/quorvel --setenv=LANG=C.UTF-8 --setenv=CI="${CI:-}" bash scripts/test.sh
