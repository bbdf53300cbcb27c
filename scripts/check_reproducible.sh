#!/usr/bin/env bash
# Builds the released files twice with reprotest and compares them byte for byte; the
# second build varies all that reprotest varies: time (faketime), build path, user and
# group, umask, locale, time zone, CPU count, file order (disorderfs), host and domain
# name, home, kernel personality, exec path, environment and ASLR. diffoscope shows any
# difference. Two runs, on this machine's release and toolchains:
#  - the Debian package (.deb and its debug symbols), from the source package;
#  - the Windows files (quorvel.exe, the installer and the zip), from the same source.
# The source package itself, made by hand (scripts/make_orig_tarball.sh), is made again from
# an export of itself and compared first.
# As root, in a mount namespace of its own, so that what disorderfs mounts ends with it.
# Usage: check_reproducible.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "check_reproducible.sh runs as root" >&2 && exit 2; }
[ -n "${QUORVEL_PRIVATE_MOUNTS:-}" ] ||
    exec env QUORVEL_PRIVATE_MOUNTS=1 unshare --mount --propagation private bash "$0" "$@"
source "$root/scripts/debian_tools.sh"
install_tools reprotest diffoscope-minimal disorderfs faketime locales-all sudo dpkg-dev
make_builder
source "$root/scripts/setup.sh" # the build tools, as the test command has them

work=$(mktemp -d /var/tmp/quorvel-reproducible.XXXXXX)
# disorderfs runs as the other build's user: it needs /dev/fuse as Debian's udev rules
# leave it, open to all; a machine that keeps it to root has it so for this run, and gets
# its own mode back at exit, whatever the exit.
fuse_mode=$(stat -c %a /dev/fuse)
trap 'chmod "$fuse_mode" /dev/fuse; rm -rf --one-file-system "$work"' EXIT
trap 'exit 130' INT TERM
[ "$fuse_mode" = 666 ] || echo "/dev/fuse is $fuse_mode here: 666, as Debian has it, for this run"
chmod 666 /dev/fuse
# reprotest's and diffoscope's own temporary files go with the rest.
mkdir -m 1777 "$work/tmp"
export TMPDIR=$work/tmp
cd "$work"
bash "$root/scripts/build_source_package.sh" source >/dev/null
# The source package again, from what it unpacks to (an export without .git) at another
# path, one with a space in it: the same files.
dpkg-source -x source/*.dsc "an export" >/dev/null
bash "an export/scripts/build_source_package.sh" again >/dev/null
if diffoscope --exclude-directory-metadata=yes --text diffoscope-source.txt source again >/dev/null; then
    echo "reproducible: the source package ($(cd source && echo *)), made again from its export"
else
    echo "NOT reproducible: the source package made again from its export:" && head -n 40 diffoscope-source.txt
    exit 1
fi
chmod -R a+rX .

# Debian 12's reprotest (0.7.23) changes users with "sudo -h localhost", which its sudo
# (1.9.13) takes for a remote host and refuses: this sudo, first in PATH, leaves it out.
mkdir bin
printf '#!/bin/sh\n[ "$1 $2" != "-h localhost" ] || shift 2\nexec /usr/bin/sudo "$@"\n' >bin/sudo
chmod 755 bin/sudo
export PATH=$work/bin:$PATH

status=0
# reproducible WHAT REPROTEST_ARGUMENT...: one reprotest run, its verdict and its time.
reproducible() {
    local what=$1 started=$SECONDS
    shift
    if reprotest --vary=+all --vary=user_group.available+="$builder:$builder" \
        --vary=domain_host.use_sudo=1 --store-dir="$work/$what" "$@" >"$what.log" 2>&1; then
        echo "reproducible: $what ($((SECONDS - started)) s):"
        sed -n '/^Reproduction successful/,$p' "$what.log" | sed '1,2d; s/^/  /'
    else
        echo "NOT reproducible: $what ($((SECONDS - started)) s); the end of reprotest's output:"
        tail -n 60 "$what.log"
        status=1
    fi
}

export DEB_BUILD_OPTIONS=nocheck
reproducible "the Debian package" -c "dpkg-source -x *.dsc tree && cd tree &&
    dpkg-buildpackage --no-sign -b -Pnocheck" source '*.deb'

dpkg-source -x source/*.dsc windows >/dev/null
reproducible "the Windows files" --source-root=windows "cmake --preset windows -DBUILD_TESTING=OFF &&
    cmake --build --preset windows --target quorvel && cd build-windows && cpack -B ../release" \
    'build-windows/quorvel.exe release/*.exe release/*.zip'
exit $status
