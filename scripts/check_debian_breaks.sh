#!/usr/bin/env bash
# Breaks scripts/check_debian.sh on purpose, in each way it could once print a pass for
# what it did not prove, and shows that it now ends non-zero with a last line saying what
# was not proved. Each case runs the script on a clean clone of this commit, for this
# machine's architecture, with stand-ins for mmdebstrap (also the throw-away chroot that
# reprotest runs in), sbuild, autopkgtest, piuparts, blhc and hardening-check first on PATH
# (the source package, the mirror's release file, diffoscope and the accounts are real), so
# that the whole takes a few minutes:
#  - a run where every stand-in passes, which must pass (else the cases prove nothing);
#  - the mirror refusing this architecture's tarball (a 404 in mmdebstrap's log);
#  - autopkgtest's background job killed mid-run;
#  - a package build whose test run found no test at all;
#  - a test skipped in a native package build;
#  - reprotest finding the second build different;
#  - the nocheck build's package differing from the normal build's;
#  - a tree with a change not committed.
# Usage: check_debian_breaks.sh [TREE]   (as root; TREE: the clone whose commit is checked,
#        by default this one)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:-$root}
[ "$(id -u)" -eq 0 ] || { echo "check_debian_breaks.sh runs as root" >&2 && exit 2; }
host_arch=$(dpkg --print-architecture)
began=$SECONDS

scratch=$(mktemp -d /tmp/quorvel-breaks.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
mkdir -m 777 "$scratch/state"
stubs=$scratch/bin
mkdir -m 755 "$stubs"
# stub NAME BODY: a stand-in for the tool NAME; $case names the case it runs in.
stub() {
    printf '#!/bin/bash\ncase=$(cat %q)\n%s\n' "$scratch/state/case" "$2" >"$stubs/$1"
    chmod 755 "$stubs/$1"
}
# fake_deb ARCH FILE [TEXT]: a package, the same bytes for the same TEXT.
cat >"$scratch/fake_deb.sh" <<'EOF'
fake_deb() {
    local tree
    tree=$(mktemp -d) && mkdir -p "$tree/DEBIAN" "$tree/usr/bin" &&
        printf '%s\n' "${3:-the program}" >"$tree/usr/bin/quorvel" &&
        printf "Package: quorvel\nVersion: 1.00-1\nArchitecture: %s\nMaintainer: x <x@example.org>\nDescription: x\n" \
            "$1" >"$tree/DEBIAN/control" &&
        SOURCE_DATE_EPOCH=0 dpkg-deb --root-owner-group --build "$tree" "$2" >/dev/null
    rm -rf "$tree"
}
EOF
# mmdebstrap [OPTION...] SUITE TARBALL MIRROR: an empty tarball, but where this case's
# mirror refuses this architecture. With the TARBALL /dev/null, the throw-away chroot in
# which reprotest builds the package without its tests twice: what it leaves (sync-out).
stub mmdebstrap '
source '"$scratch/fake_deb.sh"'
arch=$(printf "%s\n" "$@" | sed -n "s/^--arch=//p")
positional=($(printf "%s\n" "$@" | grep -v "^--"))
if [ "$case" = refused ] && [ "${arch:-'"$host_arch"'}" = '"$host_arch"' ]; then
    echo "E: Failed to fetch http://mirror/pool/main/b/base-files_14_$arch.deb  404  Not Found"
    exit 1
fi
if [ "${positional[1]}" = /dev/null ]; then
    out=$(printf "%s\n" "$@" | sed -n "s|^--customize-hook=sync-out /results ||p")
    mkdir -p "$out/store/control/source-root"
    text="the program"
    [ "$case" != nocheck-differs ] || text="the program, built otherwise without its tests"
    fake_deb '"$host_arch"' "$out/store/control/source-root/quorvel_1.00-1_'"$host_arch"'.deb" "$text"
    if [ "$case" = unreproducible ]; then
        echo "Reproduction failed. Please file a bug." >"$out/reprotest.log" && echo 1 >"$out/status"
    else
        echo "Reproduction successful" >"$out/reprotest.log" && echo 0 >"$out/status"
    fi
    exit 0
fi
tar -czf "${positional[1]}" -T /dev/null'
# sbuild: the build log a successful build leaves, its test run as the case has it, and
# a package to check.
stub sbuild '
source '"$scratch/fake_deb.sh"'
arch=$(printf "%s\n" "$@" | sed -n "s/^--arch=//p; s/^--host=//p" | head -n 1)
{
    echo " 1/131 Test   #1: tst_strokes.FindCodeUnit/UnitSearchPath.AgreesWithAPlainLoop/SSE2"
    echo "1: FindCodeUnit'"'"'s path on this machine: AVX2"
    case $case in
    no-tests) echo "No tests were found!!!" ;;
    native-skip)
        echo "5: SKIP   : TestHandlerFaults::initTestCase() Qt cannot start another program here, as under qemu-user"
        echo "100% tests passed, 0 tests failed out of 131"
        echo "The following tests did not run:"
        printf "\t 57 - tst_handler_faults (Skipped)\n" ;;
    *) echo "100% tests passed, 0 tests failed out of 131" ;;
    esac
    echo "Running lintian..."
    echo "I: Lintian run was successful."
    echo "+------------------------------------------------------------------------------+"
    echo "Status: successful"
} >"quorvel_1.00-1_$arch.build"
fake_deb "$arch" "quorvel_1.00-1_$arch.deb"'
# autopkgtest: passes, but where the case kills its job: it says where it is and waits.
stub autopkgtest '
[ "$case" != killed ] || { echo $$ >"$(dirname "$0")/../state/autopkgtest.pid" && sleep 120; }
exit 0'
stub piuparts 'echo "PASS: All tests."'
stub blhc 'exit 0'
stub hardening-check 'echo "/usr/bin/quorvel:"; echo " Position Independent Executable: yes"'

git clone -q "$tree" "$scratch/tree"
git -C "$scratch/tree" checkout -q "$(git -C "$tree" rev-parse HEAD)"

# kill_job: kills autopkgtest's background job (the check's subshell that started it) once
# the stand-in runs, and the stand-in with it.
kill_job() {
    local check=$1 pid parent
    for _ in $(seq 600); do
        [ -s "$scratch/state/autopkgtest.pid" ] && break
        kill -0 "$check" 2>/dev/null || return 0
        sleep 0.2
    done
    pid=$(cat "$scratch/state/autopkgtest.pid")
    local stand_in=$pid
    while parent=$(ps -o ppid= -p "$pid" | tr -d ' ') && [ -n "$parent" ] && [ "$parent" != "$check" ]; do
        pid=$parent
    done
    [ "$parent" = "$check" ] && kill -KILL "$pid" && echo "(killed autopkgtest's job, process $pid)"
    kill "$stand_in" 2>/dev/null
}

failed=0
# check CASE WANT: runs the check in CASE, which must end with status WANT (0, or "fail"
# for non-zero with a last line saying what was not proved).
check() {
    local case=$1 want=$2 status=0 output last saved
    echo "$case" >"$scratch/state/case"
    rm -f "$scratch/state/autopkgtest.pid"
    [ "$case" != dirty ] || echo "a change not committed" >>"$scratch/tree/README.md"
    PATH=$stubs:$PATH bash "$scratch/tree/scripts/check_debian.sh" sid "$host_arch" \
        >"$scratch/$case.log" 2>&1 &
    local check_pid=$!
    [ "$case" != killed ] || kill_job "$check_pid" >"$scratch/killed.note"
    wait "$check_pid" || status=$?
    [ "$case" != dirty ] || git -C "$scratch/tree" checkout -q README.md
    last=$(tail -n 1 "$scratch/$case.log")
    # A failed run keeps its logs for a look; these failures were made on purpose.
    saved=$(sed -n 's/^the logs are in //p' "$scratch/$case.log")
    [[ $saved != /var/tmp/quorvel-debian.*.failed ]] || rm -rf --one-file-system "$saved"
    if { [ "$want" = 0 ] && ((status == 0)); } ||
        { [ "$want" = fail ] && ((status != 0)) && [[ $last == *"proved: "* ]]; }; then
        echo "PASS $case: exit $status: $last"
        [ "$case" != killed ] || sed 's/^/    /' "$scratch/killed.note"
    else
        echo "FAIL $case: exit $status, want $want: $last"
        sed 's/^/    /' "$scratch/$case.log" | tail -n 25
        failed=$((failed + 1))
    fi
}
check passing 0
check refused fail
check killed fail
check no-tests fail
check native-skip fail
check unreproducible fail
check nocheck-differs fail
check dirty fail
echo "check_debian_breaks.sh: $failed of 8 cases wrong, in $((SECONDS - began)) s"
((failed == 0))
