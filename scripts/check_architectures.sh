#!/usr/bin/env bash
# Builds and tries the Debian package on each CPU architecture Debian builds it for, as a
# porter and Debian's build machines would, from the source package
# (scripts/build_source_package.sh). For each release and architecture:
#  a. the package builds in a fresh chroot of the release that holds build-essential and
#     what `apt-get build-dep` installs, and nothing else: natively, with its tests, for
#     this machine's architecture; cross (-a ARCH, profiles cross and nocheck), with
#     crossbuild-essential-ARCH, for the others;
#  b. its quick tests (CTest's `unit` label) run on that architecture: the cross build is
#     configured again with its tests and run under qemu-user through binfmt_misc, where
#     this machine cannot run the architecture's programs itself; bench_strokes, run
#     there briefly, says which look-up path FindCodeUnit chose (its timings under qemu
#     are emulation, not performance); the pictures are drawn again there and compared
#     with the committed ones;
#  c. its autopkgtest passes on that architecture: the .deb installed with apt into a
#     chroot of that architecture (debootstrap), the installed program driven on Xvfb;
#     for this machine's architecture, piuparts installs, removes and purges it too.
# Prints one line per release and architecture: what was built, the tests passed of those
# run, the autopkgtest, and the look-up path. An architecture the release lacks is "not in
# this release", one whose packages the mirror does not serve "not served by this mirror";
# neither counts as a failure. Exits non-zero if anything that ran failed, or could not
# run (no qemu-user, no binfmt_misc): it never reports a pass for what it did not run.
# Runs as root. Packages come from the Debian mirror of this machine's apt sources.
# Usage: check_architectures.sh [SUITE] [ARCH...]
#   SUITE: bookworm (12), trixie (13), sid (unstable) or all (the default)
#   ARCH:  Debian architectures (by default each release's of the matrix below)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/chroots.sh"

# The matrix: the release architectures of each release (Debian 13 added riscv64), and
# loong64, official in unstable only.
declare -A matrix=(
    [bookworm]="amd64 arm64 armhf i386 ppc64el s390x"
    [trixie]="amd64 arm64 armhf i386 ppc64el s390x riscv64"
    [sid]="loong64"
)
suites=(bookworm trixie sid)
declare -A suite_names=([12]=bookworm [bookworm]=bookworm [13]=trixie [trixie]=trixie
    [unstable]=sid [sid]=sid)
# qemu-user's name for each architecture's CPU.
declare -A qemu_cpus=([amd64]=x86_64 [arm64]=aarch64 [armel]=arm [armhf]=arm [i386]=i386
    [ppc64el]=ppc64le [s390x]=s390x [riscv64]=riscv64 [loong64]=loongarch64)

die() {
    echo "check_architectures.sh: $*" >&2
    exit 2
}

if [ $# -gt 0 ] && [ "$1" = all ]; then
    shift
elif [ $# -gt 0 ] && [ -n "${suite_names[$1]:-}" ]; then
    suites=("${suite_names[$1]}")
    shift
fi
wanted_arches=("$@")
for arch in "${wanted_arches[@]}"; do
    [ -n "${qemu_cpus[$arch]:-}" ] || die "unknown architecture '$arch' (known: ${!qemu_cpus[*]})"
done
[ "$(id -u)" -eq 0 ] || die "runs as root: it makes chroots, mounts /proc in them and registers qemu"

apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -q)
# host_apt ARGS...: apt-get on this machine, one run of this script at a time (apt's lock
# timeout covers dpkg's lock, not the package lists').
host_apt() { flock /run/lock/quorvel-host-apt "${apt[@]}" "$@"; }
tools=(debootstrap:debootstrap dpkg-source:dpkg-dev autopkgtest:autopkgtest
    piuparts:piuparts python3:python3 xz:xz-utils update-binfmts:binfmt-support)
missing=()
for tool in "${tools[@]}"; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if ((${#missing[@]})); then
    host_apt update >/dev/null && host_apt install --no-install-recommends "${missing[@]}" \
        >/dev/null || die "could not install ${missing[*]}"
fi

host_arch=$(dpkg --print-architecture)
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
mirror=$(debian_mirror "$codename" | head -n 1)
[ -n "$mirror" ] || die "no Debian mirror for '$codename' in this machine's apt sources"
mirror=${mirror%/}
jobs=$(nproc)

work=$(mktemp -d /var/tmp/quorvel-architectures.XXXXXX)
chmod 755 "$work"
cleanup() {
    local dir
    restore_binfmts
    for dir in "$work"/*/; do
        [ -d "$dir" ] && chroot_remove "${dir%/}"
    done
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the mirror ---

# http_get URL: the body on stdout; fails on any status but 200.
http_get() {
    python3 -c 'import sys, urllib.request
with urllib.request.urlopen(sys.argv[1], timeout=60) as r: sys.stdout.buffer.write(r.read())' "$1"
}
# http_status URL: the status a HEAD request gets (404 for a missing file).
http_status() {
    python3 -c 'import sys, urllib.request, urllib.error
try:
    print(urllib.request.urlopen(urllib.request.Request(sys.argv[1], method="HEAD"), timeout=60).status)
except urllib.error.HTTPError as e:
    print(e.code)
except Exception as e:
    print("error: %s" % e)' "$1"
}

declare -A release_arches
# in_release SUITE ARCH: whether the release's Release file lists ARCH.
in_release() {
    if [ -z "${release_arches[$1]:-}" ]; then
        release_arches[$1]=$(http_get "$mirror/dists/$1/Release" | sed -n 's/^Architectures: //p') ||
            die "cannot read $mirror/dists/$1/Release"
    fi
    [[ " ${release_arches[$1]} " == *" $2 "* ]]
}
# served SUITE ARCH: whether the mirror has the package files its index lists, tried
# with the C library's.
served() {
    local file status
    file=$(http_get "$mirror/dists/$1/main/binary-$2/Packages.xz" | xz -dc |
        awk '/^Package: libc6$/ { found = 1 } found && /^Filename:/ { print $2; exit }')
    [ -n "$file" ] || return 1
    status=$(http_status "$mirror/$file")
    [ "$status" = 200 ] || echo "$mirror/$file: $status" >>"$work/mirror.log"
    [ "$status" = 200 ]
}

# --- running another architecture's programs ---

# native_runner ARCH: whether this machine's kernel runs ARCH's programs itself.
native_runner() {
    [ "$1" = "$host_arch" ] || { [ "$host_arch" = amd64 ] && [ "$1" = i386 ]; }
}
# runner ARCH: sets how to "native", or to "qemu" once binfmt_misc hands ARCH's programs
# to qemu-user-static; else sets why to the reason and fails.
runner() {
    local arch=$1 cpu=${qemu_cpus[$1]}
    how=native why=''
    native_runner "$arch" && return
    how=qemu
    if [ ! -e /proc/sys/fs/binfmt_misc/status ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
            [ -e /proc/sys/fs/binfmt_misc/status ] || {
            why="binfmt_misc cannot be mounted"
            return 1
        }
    fi
    if [ ! -x "/usr/bin/qemu-$cpu-static" ]; then
        host_apt install --no-install-recommends qemu-user-static >/dev/null 2>&1
        [ -x "/usr/bin/qemu-$cpu-static" ] || {
            why="no qemu-$cpu-static (Debian package qemu-user-static)"
            return 1
        }
    fi
    older_qemu "$cpu" || return 1
    local entry=/proc/sys/fs/binfmt_misc/qemu-$cpu
    [ ! -e "/proc/sys/fs/binfmt_misc/quorvel-$cpu" ] || entry=/proc/sys/fs/binfmt_misc/quorvel-$cpu
    head -n 1 "$entry" 2>/dev/null | grep -qx enabled || update-binfmts --enable "qemu-$cpu" >/dev/null 2>&1
    # The F flag: the kernel opens qemu once, so that it also runs inside chroots.
    head -n 1 "$entry" 2>/dev/null | grep -qx enabled && grep -qs '^flags: .*F' "$entry" || {
        why="qemu-$cpu is not enabled in binfmt_misc with the flag F"
        return 1
    }
}

# Debian's loong64 programs use LoongArch's vector instructions, which qemu emulates from
# 8.1 on; Debian 12's qemu-user-static is 7.2. There Debian 13's qemu-user, from the
# mirror, stands in for this run: its loongarch64 emulator takes the place of this
# machine's in binfmt_misc until the script ends.
declare -A minimum_qemu=([loongarch64]=8.1)
version_below() { [ "$1" != "$2" ] && [ "$(printf '%s\n' "$1" "$2" | sort -V | head -n 1)" = "$1" ]; }
replaced_binfmts=()
older_qemu() {
    local cpu=$1 version file conf
    version=$("/usr/bin/qemu-$cpu-static" --version | sed -n '1s/.* version \([0-9]*\.[0-9]*\).*/\1/p')
    [ -n "${minimum_qemu[$cpu]:-}" ] && version_below "$version" "${minimum_qemu[$cpu]}" || return 0
    [ ! -e "/proc/sys/fs/binfmt_misc/quorvel-$cpu" ] || return 0
    file=$(http_get "$mirror/dists/trixie/main/binary-$host_arch/Packages.xz" | xz -dc |
        awk '/^Package: qemu-user$/ { found = 1 } found && /^Filename:/ { print $2; exit }')
    http_get "$mirror/$file" >"$work/qemu-user.deb" && dpkg-deb -x "$work/qemu-user.deb" "$work/qemu-user" || {
        why="qemu $version cannot run $cpu programs, and Debian 13's qemu-user is not to be had"
        return 1
    }
    # The same magic and mask, this emulator, and F (opened now, so that chroots find it).
    conf=$(sed -e "s|^:qemu-$cpu:|:quorvel-$cpu:|" -e "s|:[^:]*:[A-Z]*\$|:$work/qemu-user/usr/bin/qemu-$cpu:F|" \
        "$work/qemu-user/usr/share/qemu/binfmt.d/qemu-$cpu.conf")
    [ ! -e "/proc/sys/fs/binfmt_misc/qemu-$cpu" ] || echo 0 >"/proc/sys/fs/binfmt_misc/qemu-$cpu"
    replaced_binfmts+=("$cpu")
    echo "$conf" >/proc/sys/fs/binfmt_misc/register
}
restore_binfmts() {
    local cpu
    for cpu in "${replaced_binfmts[@]}"; do
        echo -1 >"/proc/sys/fs/binfmt_misc/quorvel-$cpu" 2>/dev/null
        [ ! -e "/proc/sys/fs/binfmt_misc/qemu-$cpu" ] || echo 1 >"/proc/sys/fs/binfmt_misc/qemu-$cpu"
    done
}

# --- chroots ---

# build_base SUITE: a tarball of a fresh buildd chroot of SUITE for this machine, made
# once per run.
build_base() {
    local suite=$1 dir=$work/base-$1
    [ -f "$dir.tar" ] && return
    debootstrap --variant=buildd "$suite" "$dir" "$mirror" >"$dir.log" 2>&1 || return 1
    allow_old_release "$dir"
    tar -C "$dir" -cf "$dir.tar" . && rm -rf --one-file-system "$dir"
}
# unstable's Release files are valid for a week, which a mirror snapshot outlives.
allow_old_release() {
    echo 'Acquire::Check-Valid-Until "false";' >"$1/etc/apt/apt.conf.d/99quorvel-snapshot"
}
# in_chroot DIR COMMAND...: runs COMMAND in DIR as root, with a clean environment.
in_chroot() {
    local dir=$1
    shift
    chroot "$dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
# as_builder DIR COMMAND...: the same as the unprivileged user the package builds as.
as_builder() {
    local dir=$1
    shift
    chroot --userspec=builder:builder "$dir" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/build \
        LC_ALL=C.UTF-8 "$@"
}
# unit_summary LOG: "passed/total" from CTest's summary line, and the tests it skipped.
unit_summary() {
    local line
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
    [ -n "$line" ] || return 1
    awk '{ printf "%d/%d", $NF - $4, $NF }' <<<"$line"
    local skipped
    skipped=$(grep -c '(Skipped)$' "$1")
    ((skipped == 0)) || printf ', %d skipped' "$skipped"
}

# --- one release and architecture ---

# build ARCH: step a, in a fresh buildd chroot of $suite; leaves the tree in it for step b.
build() {
    local arch=$1 cross=() options=() kind=native began=$SECONDS
    build_root=$work/build-$suite-$arch
    mkdir "$build_root" && tar -C "$build_root" -xf "$work/base-$suite.tar" && chroot_mount "$build_root"
    in_chroot "$build_root" useradd --home-dir /build --create-home builder || return 1
    cp "$work"/source/*.dsc "$work"/source/*.tar.* "$build_root/build/"
    as_builder "$build_root" sh -c 'cd /build && dpkg-source --extract *.dsc tree' || return 1
    if [ "$arch" != "$host_arch" ]; then
        cross=(-a "$arch" -Pcross,nocheck)
        options=(DEB_BUILD_OPTIONS=nocheck)
        kind=cross
        in_chroot "$build_root" dpkg --add-architecture "$arch"
        in_chroot "$build_root" "${apt[@]}" update || return 1
        if in_chroot "$build_root" apt-cache show "crossbuild-essential-$arch" >/dev/null 2>&1; then
            in_chroot "$build_root" "${apt[@]}" install --no-install-recommends \
                "crossbuild-essential-$arch" || return 1
        else
            # Where the release has no crossbuild-essential-ARCH yet: what it would hold.
            local triplet
            triplet=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)
            in_chroot "$build_root" "${apt[@]}" install --no-install-recommends "gcc-$triplet" \
                "g++-$triplet" "libc6-dev:$arch" dpkg-cross || return 1
        fi
    fi
    in_chroot "$build_root" "${apt[@]}" build-dep --no-install-recommends "${cross[@]}" \
        /build/tree || return 1
    as_builder "$build_root" sh -c 'cd /build/tree && exec "$@"' _ \
        env "${options[@]}" dpkg-buildpackage "${cross[@]}" -b -us -uc || return 1
    deb=$(ls "$build_root"/build/quorvel_*_"$arch".deb) || return 1
    build_note="$kind, $((SECONDS - began)) s"
}

# unit_tests ARCH: step b, in the tree step a left: its tests (and bench_strokes) built
# for ARCH and run on it.
unit_tests() {
    local arch=$1 how=$2 triplet obj began=$SECONDS
    # debhelper's build folder is named after the GNU type (i686-linux-gnu for i386).
    triplet=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)
    obj=/build/tree/obj-$triplet
    local cross=()
    [ "$arch" = "$host_arch" ] || cross=(-a "$arch" -Pcross)
    in_chroot "$build_root" "${apt[@]}" build-dep --no-install-recommends "${cross[@]}" \
        /build/tree || return 1
    in_chroot "$build_root" "${apt[@]}" install --no-install-recommends "libbenchmark-dev:$arch" ||
        return 1
    as_builder "$build_root" cmake -DBUILD_TESTING=ON -DQUORVEL_BENCHMARKS=ON "$obj" || return 1
    as_builder "$build_root" cmake --build "$obj" --parallel "$jobs" || return 1
    local status=0
    as_builder "$build_root" ctest --test-dir "$obj" -L unit --parallel "$jobs" \
        --output-on-failure --timeout 1200 >"$logs/unit.log" 2>&1 || status=$?
    # The pictures drawn again there must show what the committed ones show.
    local pictures=alike
    as_builder "$build_root" ctest --test-dir "$obj" -R '^pictures_regenerate$' \
        --output-on-failure >"$logs/pictures.log" 2>&1
    grep -q '^100% tests passed, 0 tests failed out of 1$' "$logs/pictures.log" ||
        { pictures=DIFFER && status=1; }
    tests_note="$(unit_summary "$logs/unit.log" || echo 'no summary'), pictures $pictures"
    tests_note+=" ($how, $((SECONDS - began)) s)"
    as_builder "$build_root" "$obj/bench/bench_strokes" --benchmark_min_time=0.05 \
        >"$logs/bench.log" 2>&1 || echo "bench_strokes failed: exit $?" >>"$logs/bench.log"
    path=$(sed -n "s/^FindCodeUnit's path on this machine: //p" "$logs/bench.log")
    [ -n "$path" ] || { path='none reported' && status=1; }
    {
        echo "$suite $arch ($how): FindCodeUnit's path: $path"
        grep -q '^Table: ' "$logs/bench.log" && sed -n '/^Table: /,$p' "$logs/bench.log" ||
            tail -n 4 "$logs/bench.log"
    } >>"$work/bench.txt"
    return $status
}

# autopkgtest_on ARCH: step c. The chroot of ARCH is made with the package's and its
# test's dependencies from the start, and dpkg-dev, which autopkgtest wants for a source
# tree: installing them later would run apt and dpkg under emulation twice.
test_root_packages() {
    {
        echo dpkg-dev
        dpkg-deb -f "$deb" Depends
        sed -n '/^Depends:/,/^[A-Z]/p' "$root/debian/tests/control" | sed -e '1s/^Depends://' -e '$d'
    } | tr ',' '\n' | sed -e 's/|.*//' -e 's/(.*)//' -e 's/[[:space:]]//g' -e '/^@$/d' -e '/^$/d' |
        sort -u | paste -sd,
}
# make_test_root ARCH PACKAGES: runs in the background; the caller mounts what it needs.
make_test_root() {
    debootstrap --arch="$1" --variant=minbase --include="$2" "$suite" "$test_root" "$mirror" \
        >"$logs/test-root.log" 2>&1
}
autopkgtest_on() {
    local status=0 began=$SECONDS
    autopkgtest --output-dir "$logs/autopkgtest" "$deb" "$work/source/tree" -- chroot "$test_root" \
        >"$logs/autopkgtest.log" 2>&1 || status=$?
    autopkgtest_note=$(awk '{ print $2 }' "$logs/autopkgtest/summary" 2>/dev/null | paste -sd' ')
    autopkgtest_note="${autopkgtest_note:-"exit $status"} ($((SECONDS - began)) s)"
    [ $status -eq 0 ]
}

# piuparts_here: install, remove and purge in a clean chroot of $suite. Debian 12's
# piuparts does not know that Debian 13's debconf leaves /var/cache/debconf/tmp.ci/ behind
# (debconf's own, made whatever the package) and would fail on it.
piuparts_here() {
    local ignore=()
    [ "$suite" = bookworm ] || [ "$codename" != bookworm ] || ignore=(--ignore=/var/cache/debconf/tmp.ci/)
    local status=0
    piuparts --distribution="$suite" --mirror="$mirror main" "${ignore[@]}" "$deb" \
        >"$logs/piuparts.log" 2>&1 || status=$?
    { echo "$suite $arch: piuparts ${ignore[*]} (exit $status):" && tail -n 2 "$logs/piuparts.log"; } \
        >>"$work/piuparts.txt"
    return $status
}

results=()
failures=0
report() {
    local line
    line=$(printf '%-9s %-8s %-17s %-44s %-34s %s' "$@" | sed 's/ *$//')
    results+=("$line")
    echo "$line"
}
# failed STEP LOG...: counts a failure and shows the end of the first LOG there is; keeps
# the logs of this release and architecture.
failed() {
    local step=$1 log kept
    shift
    failures=$((failures + 1))
    kept=$(mktemp -d /var/tmp/quorvel-architectures-failed.XXXXXX)
    cp -r "$logs" "$kept/"
    for log; do
        [ -s "$log" ] || continue
        echo "--- $suite $arch: $step failed (logs in $kept); the end of ${log##*/}:" >&2
        tail -n 25 "$log" >&2
        return
    done
    echo "--- $suite $arch: $step failed (logs in $kept)" >&2
}

bash "$root/scripts/build_source_package.sh" "$work/source" >"$work/source.log" 2>&1 ||
    die "the source package did not build: $(tail -n 5 "$work/source.log")"
dpkg-source --extract "$work"/source/*.dsc "$work/source/tree" >/dev/null 2>&1 ||
    die "the source package does not unpack"
echo "source package:"
(cd "$work/source" && sha256sum -- *.dsc *.tar.* | sed 's/^/  /')
printf '%-9s %-8s %-17s %-44s %-34s %s\n' release arch built "unit tests (passed/run)" \
    autopkgtest "look-up path"

for suite in "${suites[@]}"; do
    arches=("${wanted_arches[@]}")
    ((${#arches[@]})) || read -ra arches <<<"${matrix[$suite]}"
    for arch in "${arches[@]}"; do
        if ! in_release "$suite" "$arch"; then
            report "$suite" "$arch" "not in this release"
            continue
        fi
        if ! served "$suite" "$arch"; then
            report "$suite" "$arch" "not served by this mirror"
            continue
        fi
        if ! runner "$arch"; then
            report "$suite" "$arch" "not run: $why"
            failures=$((failures + 1))
            continue
        fi
        logs=$work/logs-$suite-$arch
        mkdir -p "$logs"
        build_note='failed' tests_note='not run' autopkgtest_note='not run' path='?'
        build_base "$suite" || die "no $suite chroot: $(tail -n 5 "$work/base-$suite.log")"
        test_root=$work/test-$suite-$arch
        # The test chroot is made while the tests build: one is mostly network and dpkg
        # under emulation, the other the compiler.
        if build "$arch" >"$logs/build.log" 2>&1; then
            make_test_root "$arch" "$(test_root_packages)" &
            test_root_job=$!
            unit_tests "$arch" "$how" >"$logs/unit-build.log" 2>&1 || failed "unit tests" "$logs/unit.log" "$logs/pictures.log" "$logs/unit-build.log"
            waited=$SECONDS
            if wait "$test_root_job"; then
                allow_old_release "$test_root"
                chroot_mount "$test_root"
                waited=$((SECONDS - waited))
                autopkgtest_on || failed autopkgtest "$logs/autopkgtest.log"
                ((waited < 5)) || autopkgtest_note+=" after ${waited} s for its chroot"
            else
                autopkgtest_note='no chroot'
                failed "the $arch chroot" "$logs/test-root.log"
            fi
            if [ "$arch" = "$host_arch" ]; then
                piuparts_here && autopkgtest_note+=', piuparts passed' ||
                    { autopkgtest_note+=', piuparts FAILED' && failed piuparts "$logs/piuparts.log"; }
            fi
        else
            failed build "$logs/build.log"
        fi
        report "$suite" "$arch" "$build_note" "$tests_note" "$autopkgtest_note" "$path"
        chroot_remove "$build_root"
        chroot_remove "$test_root"
    done
done

if [ -s "$work/piuparts.txt" ]; then
    echo
    echo "=== piuparts:"
    cat "$work/piuparts.txt"
fi
if [ -s "$work/bench.txt" ]; then
    echo
    echo "=== bench_strokes on each (under qemu its timings are emulation, not performance):"
    cat "$work/bench.txt"
fi
echo
echo "=== ${#results[@]} releases and architectures, $failures failed"
printf '%s\n' "${results[@]}"
[ $failures -eq 0 ]
