#!/usr/bin/env bash
# A whole desktop that only the tests need (gnome-shell, kwin_wayland) is never installed on
# the machine: it lives in a throw-away Debian root of the machine's own release, made by
# mmdebstrap from the mirror the machine's apt uses and kept in the build folder, where
# one build's tests share it. The end-to-end test then runs inside that root (the program
# built here runs there too: same release, same libraries), in namespaces of its own
# (mounts, processes, network), so that whatever it starts ends with it and nothing it
# mounts is seen outside. Inside, the compositor runs as a plain system user of the root's
# own, quorvel-desktop: the machine gets no account.
#
# Usage (as root): desktop_root.sh DESKTOP TARGET PROGRAM OUTPUT_DIR CACHE_DIR
#   makes (or reuses) CACHE_DIR/DESKTOP, then runs in it
#   e2e_window.sh TARGET PROGRAM OUTPUT_DIR
# or: desktop_root.sh make DESKTOP PROGRAM CACHE_DIR   only makes (or reuses) the root
# Exit status 77 (a skip): this machine cannot make the root; the reason is printed.
# Sourced, it offers make_desktop_root and run_in_desktop_root.
set -uo pipefail

desktop_root_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$desktop_root_here/../../scripts/debian_tools.sh"

# --- What each desktop's root holds ---------------------------------------------------
# Beside the libraries the program itself links (found from the program, see
# program_packages), every root has the tools the scenarios drive and read the window
# with, the Qt plugins the program loads at run time, the fonts it asks for, and ibus.
desktop_packages_common=(
    dbus libglib2.0-bin dconf-gsettings-backend procps python3 x11-utils imagemagick
    qt6-qpa-plugins qt6-wayland qt6-translations-l10n
    fonts-arphic-uming fonts-wqy-zenhei fonts-arphic-ukai
    ibus ibus-libpinyin
)
# Per desktop: the compositor and what it needs to start headless.
declare -A desktop_packages=(
    # gnome-shell and mutter, with Xwayland for the X11 session; GNOME's schemas and the
    # shell's extension support come with them.
    [gnome]="gnome-shell mutter xwayland gsettings-desktop-schemas"
    # kwin_wayland with its own title bars (Breeze) and Xwayland; fcitx5 with its pinyin
    # engine and its Qt 6 module, the input method KWin starts; the clipboard's tools on
    # each side (KWin offers data control; an X client's is read on X); Python's GLib, with
    # which kwin_session.py asks KWin. One line: the list is read as one.
    [kde]="kwin-wayland kwin-style-breeze xwayland fcitx5 fcitx5-chinese-addons fcitx5-frontend-qt6 wl-clipboard xclip python3-gi gir1.2-glib-2.0"
)
# The plain user the compositor runs as, inside the root only.
desktop_user=quorvel-desktop
# Roots of the same release and packages are made again when this changes: raise it when
# the way they are made (mmdebstrap's options and hooks below) changes.
desktop_root_format=2

# program_packages PROGRAM: the Debian packages of the shared libraries PROGRAM links, as
# this machine has them installed (the root is of the same release).
program_packages() {
    local libraries
    mapfile -t libraries < <(ldd "$1" | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' |
        xargs -r realpath | sed 's,^/usr/lib/,/lib/,')
    # Debian lists a library under /lib or /usr/lib, whichever its package ships.
    ((${#libraries[@]})) || return 0
    dpkg -S "${libraries[@]}" "${libraries[@]/#\/lib\//\/usr\/lib\/}" 2>/dev/null |
        sed 's/:.*//' | sort -u
}

# missing_packages PACKAGE...: those the release's archive (as this machine's apt knows
# it) does not hold.
missing_packages() {
    local known
    known=$(apt-cache policy "$@" 2>/dev/null | awk '/^[^ ]/ { name = $1; sub(/:$/, "", name) }
        /^ *Candidate:/ && $2 != "(none)" { print name }')
    printf '%s\n' "$@" | grep -vxF -f <(printf '%s\n' "$known")
}

# host_archive: the suite and the mirror this machine's apt takes its packages from, as
# "bookworm http://deb.debian.org/debian" (unstable's is sid, testing's its codename).
host_archive() {
    apt-cache policy 2>/dev/null |
        awk '$1 ~ /^[0-9]+$/ && $3 ~ /^[a-z]+\/main$/ { split($3, s, "/"); print s[1], $2; exit }'
}

# make_desktop_root DESKTOP CACHE_DIR PROGRAM: sets desktop_root to CACHE_DIR/DESKTOP, a
# root holding DESKTOP's packages, made unless one of the same release and packages is
# there already. Prints what it does and how long making it took. Returns 77, saying
# why, where the release lacks a package; 1 where mmdebstrap fails.
make_desktop_root() {
    local desktop=$1 cache=$2 program=$3 suite mirror packages missing key
    [ -n "${desktop_packages[$desktop]+set}" ] || {
        echo "no package list for the desktop '$desktop'"
        return 1
    }
    read -r suite mirror < <(host_archive)
    [ -n "$suite" ] || {
        echo "Left out: this machine's apt takes its packages from no Debian archive's main."
        return 77
    }
    read -ra packages <<<"${desktop_packages[$desktop]}"
    packages+=("${desktop_packages_common[@]}")
    key="$suite ${packages[*]} format $desktop_root_format"
    mapfile -t -O "${#packages[@]}" packages < <(program_packages "$program")
    mapfile -t missing < <(missing_packages "${packages[@]}")
    if ((${#missing[@]})); then
        echo "Left out: $suite's archive has no ${missing[*]}, which the $desktop test needs."
        return 77
    fi
    mkdir -p "$cache"
    desktop_root=$(realpath "$cache")/$desktop
    # One test makes it; the other tests of the run wait for it and use it as it is. A
    # root made for the same desktop, release and tools serves while it holds the
    # program's libraries.
    exec {root_lock}>"$desktop_root.lock"
    flock "$root_lock"
    if [ "$(cat "$desktop_root.stamp" 2>/dev/null)" = "$key" ] && [ -d "$desktop_root" ] &&
        chroot "$desktop_root" dpkg-query -W "${packages[@]}" >/dev/null 2>&1; then
        echo "The $desktop root of $suite, made earlier: $desktop_root"
        exec {root_lock}>&-
        return 0
    fi
    rm -rf --one-file-system "$desktop_root" "$desktop_root.new" "$desktop_root.stamp"
    read_release "$mirror" "$suite" || {
        exec {root_lock}>&-
        return 1
    }
    local options=(--variant=minbase --aptopt='APT::Install-Recommends "false"'
        --include="$(IFS=, && echo "${packages[*]}")")
    # A frozen mirror's index has expired: apt is told not to mind, as read_release said.
    [ -z "$index_expired" ] || options+=(--aptopt='Acquire::Check-Valid-Until "false"')
    # The compositor's user is the root's own.
    options+=(--customize-hook="chroot \"\$1\" useradd --system --no-create-home --home-dir /nonexistent \
--shell /usr/sbin/nologin $desktop_user")
    local began=$SECONDS
    echo "Making the $desktop root of $suite from $mirror (${#packages[@]} packages asked for)..."
    if ! mmdebstrap "${options[@]}" "$suite" "$desktop_root.new" "$mirror" \
        >"$desktop_root.log" 2>&1; then
        echo "mmdebstrap failed:"
        tail -n 20 "$desktop_root.log"
        rm -rf --one-file-system "$desktop_root.new"
        exec {root_lock}>&-
        return 1
    fi
    # libdbus aborts without a machine id, and mmdebstrap leaves it empty for the first boot
    # to fill: the root gets its own.
    od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$desktop_root.new/etc/machine-id"
    # Debian gives kwin_wayland a file capability (CAP_SYS_NICE), with which a plain user's
    # exec of it is refused: a copy has none.
    local kwin=$desktop_root.new/usr/bin/kwin_wayland
    [ ! -e "$kwin" ] || { cp "$kwin" "$kwin.copy" && mv "$kwin.copy" "$kwin"; }
    # Every user of the root must reach the program and the tests below it.
    chmod 755 "$desktop_root.new"
    mv "$desktop_root.new" "$desktop_root"
    printf '%s\n' "$key" >"$desktop_root.stamp"
    echo "The $desktop root made in $((SECONDS - began)) s ($(du -sh --one-file-system \
        "$desktop_root" | cut -f1)): $desktop_root"
    exec {root_lock}>&-
}

# run_in_desktop_root DIR... -- COMMAND...: runs COMMAND inside $desktop_root as its plain
# user, with each DIR (the sources, the build folder) at its own path. Its own mounts (a
# fresh /tmp, /run and /dev/shm), its own processes (all of them end with COMMAND) and its
# own network (loopback only: the displays' abstract sockets meet no one else's). A
# desktop's shell needs a system bus, the root's own, and the X sockets' folder made by root.
run_in_desktop_root() {
    local dirs=()
    while (($#)) && [ "$1" != -- ]; do
        dirs+=("$(realpath "$1")")
        shift
    done
    shift
    unshare --mount --pid --net --fork --propagation private \
        bash -c "$desktop_root_inside" bash "$desktop_root" "$desktop_user" "${#dirs[@]}" \
        "${dirs[@]}" "$@"
}
# shellcheck disable=SC2016
desktop_root_inside='set -e
root=$1 user=$2 count=$3
shift 3
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount -t tmpfs -o mode=1777 quorvel-shm "$root/dev/shm"
mount -t tmpfs -o mode=1777 quorvel-tmp "$root/tmp"
mount -t tmpfs -o mode=755 quorvel-run "$root/run"
mkdir -m 1777 "$root/tmp/.X11-unix"
for dir in "${@:1:count}"; do
    mkdir -p "$root$dir"
    mount --bind "$dir" "$root$dir"
done
shift "$count"
mkdir "$root/run/dbus"
chroot "$root" dbus-daemon --system --fork
exec chroot "$root" setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb QUORVEL_IN_DESKTOP_ROOT=1 \
    QUORVEL_KWIN_FAKE_KEYS="${QUORVEL_KWIN_FAKE_KEYS:-}" "$@"'

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    usage='usage: desktop_root.sh DESKTOP TARGET PROGRAM OUTPUT_DIR CACHE_DIR
       desktop_root.sh make DESKTOP PROGRAM CACHE_DIR'
    if (($# == 4)) && [ "$1" = make ]; then
        desktop=$2 target='' program=$3 out_dir='' cache=$4
    elif (($# == 5)); then
        desktop=$1 target=$2 program=$3 out_dir=$4 cache=$5
    else
        echo "$usage"
        exit 2
    fi
    ((EUID == 0)) || {
        echo "Left out: making and entering the $desktop root (mmdebstrap, chroot) needs root."
        exit 77
    }
    for tool in mmdebstrap unshare chroot; do
        command -v "$tool" >/dev/null || {
            echo "Left out: no $tool here, which the $desktop root is made and entered with."
            exit 77
        }
    done
    [ -f "$program" ] || {
        echo "FAIL no program at $program"
        exit 1
    }
    unshare --mount --pid --net --fork true 2>/dev/null || {
        echo "Left out: this machine refuses new namespaces (unshare), which the $desktop root" \
            "runs in."
        exit 77
    }
    make_desktop_root "$desktop" "$cache" "$program" || exit
    [ -n "$target" ] || exit 0
    mkdir -p "$out_dir"
    program=$(realpath "$program") out_dir=$(realpath "$out_dir")
    missing=$(run_in_desktop_root "$(dirname "$program")" -- ldd "$program" | grep 'not found')
    [ -z "$missing" ] || {
        echo "FAIL the program's libraries are not in the root: $missing"
        exit 1
    }
    # The test writes its screenshots as the root's user; they are root's again afterwards.
    chown -R "$(chroot "$desktop_root" id -u "$desktop_user")" "$out_dir"
    run_in_desktop_root "$desktop_root_here/../.." "$(dirname "$program")" "$out_dir" -- \
        bash "$desktop_root_here/e2e_window.sh" "$target" "$program" "$out_dir"
    status=$?
    chown -R 0:0 "$out_dir"
    exit $status
fi
