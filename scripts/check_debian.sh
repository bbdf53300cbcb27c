#!/usr/bin/env bash
# The checks a Debian maintainer's CI runs on every commit of a package (Salsa CI's jobs),
# each done by the tool Debian uses for it, against one release of the Debian mirror that
# this machine's apt uses:
#  - the source package (scripts/build_source_package.sh);
#  - one base tarball per architecture, made by mmdebstrap and shared by every step below
#    (a foreign architecture's programs run under qemu-user-static through binfmt_misc);
#  - sbuild, unprivileged (unshare mode), from the .dsc: this machine's architecture and
#    i386 natively, the others cross (--host), each with the quick tests (a cross build's
#    under qemu-user: DEB_BUILD_OPTIONS=crossbuildcanrunhostbinaries); the release's
#    lintian --pedantic on the source and binary packages, run by sbuild; blhc on each log;
#  - autopkgtest in autopkgtest-virt-unshare from a minimal (minbase) tarball of the
#    architecture, so that a test dependency the package forgot shows: on those this machine
#    runs itself, and with -a on the others too, under qemu-user;
#  - piuparts on this machine's architecture, from its minimal tarball;
#  - reprotest on this machine's architecture, in a throw-away chroot of the release that
#    mmdebstrap makes in the builder's user namespace and deletes (never on the host as
#    root): the package built without its tests (the nocheck profile, with that profile's
#    build dependencies only), then again with reprotest's variations; both must be the same;
#  - that nocheck build's packages compared by diffoscope with the normal build's, as Salsa
#    CI's build-profiles job does: leaving the tests out must change no byte of them.
# sbuild, autopkgtest, piuparts and reprotest each run under a time limit.
# Prints the commit it checks, then one line per architecture, and exits non-zero, with a
# last line saying what was not proved, if any step failed, did not run or left no result;
# only a result a step recorded as passed counts. An architecture the release lacks, or
# another one whose package index the mirror lacks, is said so and is neither. A tree with
# uncommitted changes is refused: the source package is the commit's.
# Runs as root: it installs the tools, makes the unprivileged system user the builds run as
# (with subordinate ids) and enables qemu-user-static's binfmt entries, which it leaves as
# it found them at exit (the last of several runs at once does). piuparts, which runs
# the package's maintainer scripts, runs as root of that user's user namespace, never as
# the host's root; what it mounts ends with the namespace.
# Usage: check_debian.sh [-a] SUITE [ARCH...]   (default: this machine's architecture, i386
#        on amd64, and arm64)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fail() {
    echo "check_debian.sh: nothing proved: $*" >&2
    exit 2
}
usage='usage: check_debian.sh [-a] SUITE [ARCH...]'
every_autopkgtest=''
[ "${1:-}" != -a ] || { every_autopkgtest=yes && shift; }
suite=${1:?$usage}
shift
host_arch=$(dpkg --print-architecture)
arches=("$@")
((${#arches[@]})) || arches=("$host_arch" $([ "$host_arch" != amd64 ] || echo i386) arm64)
[ "$(id -u)" -eq 0 ] || fail "it runs as root (it installs tools and enables binfmt entries)"

# The tree checked is the commit: the source package is made from it, never from changes
# not yet committed.
if git -C "$root" rev-parse --verify -q HEAD >/dev/null 2>&1; then
    echo "check_debian.sh: commit $(git -C "$root" log -1 --format='%h %s' | cut -c 1-90)"
    changed=$(git -C "$root" status --porcelain)
    [ -z "$changed" ] || {
        echo "$changed" | head -n 10 >&2
        fail "$root has uncommitted changes (above), which the source package would" \
            "leave out; commit or stash them"
    }
else
    echo "check_debian.sh: $root is no git clone: its files as they are"
fi

source "$root/scripts/debian_tools.sh"

# binfmt_misc is the kernel's, shared by every run: each run holds a shared lock on it
# while it runs, the first records how it found it (mounted or not, which qemu entries
# were there and enabled) and the last puts that back at its exit, whatever the exit.
binfmt=/proc/sys/fs/binfmt_misc
binfmt_before=/run/quorvel-binfmt.before
exec {binfmt_lock}>>/run/lock/quorvel-binfmt {binfmt_record}>>/run/lock/quorvel-binfmt.record
flock -s "$binfmt_lock"
flock -x "$binfmt_record"
[ -s "$binfmt_before" ] || {
    if [ -e "$binfmt/status" ]; then
        echo mounted
        for entry in "$binfmt"/qemu-*; do
            [ ! -e "$entry" ] || echo "${entry##*/} $(head -n 1 "$entry")"
        done
    else
        echo "not mounted"
    fi
} >"$binfmt_before"
flock -u "$binfmt_record"
binfmt_restore() {
    local entry name before
    flock -x "$binfmt_record"
    flock -xn "$binfmt_lock" || return 0 # another run still uses it
    before=$(cat "$binfmt_before")
    for entry in "$binfmt"/qemu-*; do
        [ -e "$entry" ] || continue
        name=${entry##*/}
        if grep -qx "$name disabled" <<<"$before"; then
            echo 0 >"$entry"
        elif ! grep -qx "$name enabled" <<<"$before"; then
            echo -1 >"$entry"
        fi
    done
    [ "$before" != "not mounted" ] || ! [ -e "$binfmt/status" ] || umount "$binfmt"
    rm -f "$binfmt_before"
}
work=''
# At exit the steps still running end first, then binfmt_misc is put back as it was.
finish() {
    local jobs
    jobs=$(jobs -p)
    [ -z "$jobs" ] || { kill $jobs 2>/dev/null; wait $jobs 2>/dev/null; } || true
    binfmt_restore
    [ -z "$work" ] || rm -rf --one-file-system "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM
install_tools mmdebstrap arch-test sbuild autopkgtest piuparts blhc devscripts qemu-user-static \
    binfmt-support uidmap python3 dpkg-dev diffoscope-minimal || fail "the tools are missing"
make_builder || fail "no unprivileged builds here"
mirror=$(debian_mirror) || fail "no mirror"
read_release "$mirror" "$suite" || fail "no release $suite"
aptopt=() piupartsopt=()
[ -z "$index_expired" ] ||
    aptopt=(--aptopt='Acquire::Check-Valid-Until "false"') piupartsopt=(--no-check-valid-until)

work=$(mktemp -d /var/tmp/quorvel-debian.XXXXXX)
chmod 755 "$work"
cd "$work"
mkdir source results && chown "$builder:" . results
# What the tools unpack (sbuild's and autopkgtest's chroots, mmdebstrap's files) goes in
# here, so that nothing stays in /tmp even after a step killed halfway.
mkdir -m 1777 tmp
export TMPDIR=$work/tmp
printf '$unshare_tmpdir_template = "%s/tmp.sbuild.XXXXXXXXXX";\n1;\n' "$TMPDIR" >sbuild.conf
began=$SECONDS
took() { echo "$((SECONDS - $1)) s"; }
# note ARCH STEP TEXT: a cell of the table. Each starts as "not run"; only a pass that a
# step recorded (passed below) counts.
note() { echo "$3" >"results/$1.$2"; }
steps=(build lintian blhc hardening autopkgtest piuparts reprotest nocheck path)
# passed ARCH STEP: whether the cell holds a pass, or a step that does not apply.
passed() {
    local cell
    cell=$(cat "results/$1.$2" 2>/dev/null) || return 1
    case $2:$cell in
    build:native,* | build:cross,* | build:"not in this release" | build:"not served by this mirror") ;;
    path:FAIL* | path:"not run" | path:) return 1 ;;
    path:*) ;;
    *:pass* | *:PASS* | *:- | autopkgtest:"with -a" | autopkgtest:"not served by this mirror") ;;
    *) return 1 ;;
    esac
}
# limited SECONDS COMMAND...: runs COMMAND for at most SECONDS; 124 where it ran out.
limited() { timeout --kill-after=60 "$@"; }
# verdict STATUS SECONDS: the start of a cell for a step that ended with STATUS.
verdict() {
    case $1 in
    0) echo PASS ;;
    124) echo "FAIL: timed out after $(($2 / 60)) min" ;;
    137) echo "FAIL: killed (exit 137)" ;;
    *) echo "FAIL: exit $1" ;;
    esac
}

# What this machine's kernel runs itself (i386 on amd64, where it is built with 32-bit
# support) builds natively; the rest is cross-built and runs under qemu-user-static,
# through binfmt_misc with the F flag, so that it also runs inside the namespaces.
native_arches=" $(arch-test -n 2>/dev/null | tr '\n' ' ') "
# foreign_runs ARCH: whether ARCH's programs run here; says why not where they cannot.
foreign_runs() {
    local arch=$1 cpu entry
    [[ $native_arches != *" $arch "* ]] || return 0
    cpu=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)
    case $cpu in i686) cpu=i386 ;; powerpc64le) cpu=ppc64le ;; esac
    entry=/proc/sys/fs/binfmt_misc/qemu-$cpu
    [ -e "$binfmt/status" ] || mount -t binfmt_misc binfmt_misc "$binfmt" ||
        { echo "binfmt_misc is not mounted and cannot be" && return 1; }
    update-binfmts --enable "qemu-$cpu" >/dev/null 2>&1 || true
    # qemu-user-static leaves i386 to an amd64 kernel; one built without 32-bit support
    # gets the emulator for this boot, which changes nothing that ran before.
    [ -e "$entry" ] || [ "$cpu" != i386 ] || [ "$host_arch" != amd64 ] ||
        echo ':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
            >/proc/sys/fs/binfmt_misc/register
    grep -qs '^flags: .*F' "$entry" || { echo "qemu-$cpu is not enabled in binfmt_misc" && return 1; }
    # Debian's loong64 is built for LoongArch's vector unit, which qemu emulates from 8.1 on.
    local version
    version=$("/usr/bin/qemu-$cpu-static" --version | sed -n '1s/.* version \([0-9.]*\).*/\1/p')
    [ "$cpu" != loongarch64 ] || [ "$(printf '%s\n' 8.1 "$version" | sort -V | head -n 1)" = 8.1 ] ||
        { echo "qemu-user-static $version cannot run loong64 programs (8.1 can)" && return 1; }
}

bash "$root/scripts/build_source_package.sh" source >/dev/null
dsc=$(ls "$work"/source/*.dsc)
chmod -R a+rX source
# The .changes names the distribution the changelog does, whichever release builds it.
distribution=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Distribution)

# tested ARCH: whether its autopkgtest runs, natively or, with -a, under qemu.
tested() { [[ $native_arches == *" $1 "* ]] || [ -n "$every_autopkgtest" ]; }

# Every cell starts as "not run", or as "-" where the step does not apply to ARCH.
for arch in "${arches[@]}"; do
    for step in "${steps[@]}"; do note "$arch" "$step" "not run"; done
    [ "$arch" = "$host_arch" ] || for step in hardening piuparts reprotest nocheck; do
        note "$arch" "$step" -
    done
    tested "$arch" || note "$arch" autopkgtest "with -a"
done
# not_applicable ARCH WHY: the build's cell says why nothing of ARCH ran; the rest is "-".
not_applicable() {
    local step
    for step in "${steps[@]}"; do note "$1" "$step" -; done
    note "$1" build "$2"
}

# Tarballs first, all at once: mostly the network. sbuild's are the buildd variant, with
# the native one serving the cross builds too; the testbeds of autopkgtest and piuparts
# are minbase, which holds no build tools. apt-utils holds the release's own apt solver,
# which sbuild's cross-build resolver calls: without it sbuild copies in this machine's,
# which a newer release's apt cannot run.
declare -A tarball_job tarball_why
tarball() { echo "$work/$suite-$1-$2.tar.gz"; }
make_tarball() {
    local variant=$1 arch=$2 include=()
    [ -z "${tarball_job[$variant-$arch]:-}" ] || return 0
    [ "$variant" != buildd ] || include=(--include=apt-utils)
    as_builder mmdebstrap --variant="$variant" "${include[@]}" --mode=unshare --arch="$arch" \
        "${aptopt[@]}" "$suite" "$(tarball "$variant" "$arch")" "$mirror" \
        >"mmdebstrap-$variant-$arch.log" 2>&1 &
    tarball_job[$variant-$arch]=$!
}
for arch in "${arches[@]}" "$host_arch"; do
    [[ $release_arches == *" $arch "* ]] || continue
    why=$(foreign_runs "$arch") || { note "$arch" build "not run: $why" && continue; }
    { [ "$arch" = "$host_arch" ] || [[ $native_arches == *" $arch "* ]]; } && make_tarball buildd "$arch"
    # The architectures asked for only: this machine's may be here for the cross builds.
    tested "$arch" && [[ " ${arches[*]} " == *" $arch "* ]] && make_tarball minbase "$arch"
done
# have_tarball VARIANT ARCH: waits for it, in the main shell; where there is none, the
# reason is in tarball_why[VARIANT-ARCH]. This machine's own architecture must have one;
# another's may be missing only where the mirror has no package index for it.
have_tarball() {
    local key=$1-$2 status=0 served=0
    if [ -z "${tarball_why[$key]+set}" ]; then
        tarball_why[$key]=''
        if [ -z "${tarball_job[$key]:-}" ]; then
            tarball_why[$key]="FAIL: no $1 tarball was made"
        else
            wait "${tarball_job[$key]}" || status=$?
            [ "$status" -eq 0 ] && [ -s "$(tarball "$1" "$2")" ] || {
                [ "$2" = "$host_arch" ] || mirror_serves "$mirror" "$suite" "$2" || served=$?
                if [ "$served" -eq 1 ]; then
                    tarball_why[$key]="not served by this mirror"
                else
                    tarball_why[$key]="FAIL: mmdebstrap $1 $2, exit $status (the end of its log is above)"
                    tail -n 15 "mmdebstrap-$key.log" >&2
                fi
            }
        fi
    fi
    [ -z "${tarball_why[$key]}" ]
}

# The skips a package build may have, and why: a look-up kernel this CPU does not run
# (tst_strokes checks that each such kernel is beyond the path FindCodeUnit chose), and,
# only where the log says the tests run under emulation, the handler-fault test where
# qemu-user refused to start a program. Anything else skipped fails the build.
# unaccepted_skips LOG KIND: the skipped tests that are none of those.
unaccepted_skips() {
    local log=$1 kind=$2 name emulated=''
    [ "$kind" != cross ] || ! grep -q '^The quick tests run under emulation: ' "$log" || emulated=yes
    sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$log" | while read -r name; do
        case $name in
        tst_strokes.FindCodeUnit/UnitSearchPath.AgreesWithAPlainLoop/*)
            grep -q ": not run by this machine$" "$log" && continue ;;
        tst_handler_faults)
            [ -n "$emulated" ] && grep -qF 'initTestCase() Qt cannot start another program here, as under qemu-user (Resource error (fork failure)' "$log" &&
                continue ;;
        esac
        echo "$name"
    done
}

# build ARCH: sbuild of the .dsc, natively or cross; its cells say what it proved.
build() {
    local arch=$1 options=() started=$SECONDS log summary count tests skipped bad status=0
    local chroot_arch=$arch kind=native limit=$((45 * 60))
    if [ "$arch" = "$host_arch" ]; then
        # The source package is linted with it, as built by the release's dpkg-source.
        options=(--arch="$arch" --source)
    elif [[ $native_arches == *" $arch "* ]]; then
        options=(--arch="$arch")
    else
        options=(--host="$arch" --profiles=cross)
        chroot_arch=$host_arch kind=cross
    fi
    have_tarball buildd "$chroot_arch" || {
        case ${tarball_why[buildd-$chroot_arch]} in
        FAIL*) note "$arch" build "${tarball_why[buildd-$chroot_arch]}" ;;
        *) not_applicable "$arch" "${tarball_why[buildd-$chroot_arch]}" ;;
        esac
        return 1
    }
    mkdir -p "build-$arch" && chown "$builder:" "build-$arch"
    (cd "build-$arch" && as_builder env DEB_BUILD_OPTIONS="crossbuildcanrunhostbinaries parallel=$(nproc)" \
        SBUILD_CONFIG="$work/sbuild.conf" \
        timeout --kill-after=60 "$limit" sbuild --chroot-mode=unshare \
        --chroot="$(tarball buildd "$chroot_arch")" --dist="$distribution" \
        "${options[@]}" --no-apt-upgrade --no-apt-distupgrade --no-run-piuparts \
        --no-run-autopkgtest --run-lintian --lintian-opts="--pedantic --display-info" \
        "$dsc" >/dev/null 2>&1) || status=$?
    log=$(ls "build-$arch"/*_"$arch".build 2>/dev/null | head -n 1)
    summary=$(sed -n 's/^Status: //p' "$log" 2>/dev/null) || true
    # ctest --verbose puts the test's number before each line of its output.
    sed -n "s/^.*FindCodeUnit's path on this machine: //p" "$log" 2>/dev/null | head -n 1 |
        grep . >"results/$arch.path" || note "$arch" path "not run"
    if [ "$status" -eq 124 ]; then
        note "$arch" build "FAIL: sbuild timed out after $((limit / 60)) min"
        return 1
    elif [ "$status" -ne 0 ] || [ "$summary" != successful ]; then
        note "$arch" build "FAIL: sbuild ${summary:-left no log}, exit $status ($(took $started))"
        [ -z "$log" ] || { sed -n '/^| Summary/,$p' "$log" | head -n 20 && grep -E 'FAILED|Error|error:' "$log" | tail -n 15; } >&2
        return 1
    fi
    # CTest's count: a run that found no test, or none at all, proves nothing. CTest counts
    # a skipped test among the passed ones; here it is not.
    count=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1) || true
    skipped=$(grep -c ' (Skipped)$' "$log") || true
    tests=$(awk -v skipped="$skipped" '{ printf "%d/%d", $NF - $4 - skipped, $NF }' <<<"$count")
    ((skipped == 0)) || tests+=", $skipped skipped"
    bad=$(unaccepted_skips "$log" "$kind" | tr '\n' ' ')
    if [ -z "$count" ] || [ "${count##* }" -eq 0 ]; then
        note "$arch" build "FAIL: no test ran in the package build"
        return 1
    elif [ -n "$bad" ]; then
        note "$arch" build "FAIL: skipped on $kind hardware, unexplained: ${bad% }"
        return 1
    fi
    # The code builds without a warning on every release's compiler and Qt.
    grep -E '^[^ ]+:[0-9]+:[0-9]+: warning: ' "$log" | sort -u >"warnings-$arch.txt" || true
    note "$arch" build "$kind, $tests, $(took $started)"
    [ ! -s "warnings-$arch.txt" ] ||
        note "$arch" build "FAIL: $(wc -l <"warnings-$arch.txt") compiler warnings (below)"
    # lintian's own verdict: an error or a warning fails; info and pedantic tags are shown.
    sed -n '/^Running lintian\.\.\./,/^+---/p' "$log" | grep -E '^[EWIPX]: ' |
        grep -v '^I: Lintian run was successful' >"lintian-$arch.txt" || true
    if ! grep -q '^Running lintian' "$log" || grep -q '^E: Lintian run failed' "$log"; then
        note "$arch" lintian "FAIL: did not run"
    elif grep -qE '^[EW]: ' "lintian-$arch.txt"; then
        note "$arch" lintian "FAIL: $(grep -cE '^[EW]: ' "lintian-$arch.txt") errors and warnings"
    else
        note "$arch" lintian "pass, $(wc -l <"lintian-$arch.txt") tags"
    fi
    # AutoMoc asks the compiler for its predefined macros (-dM -E): no compile, no flags.
    blhc --debian --line-numbers --ignore-line='.* -dM -E .*CMakeCXXCompilerABI\.cpp.*' "$log" \
        >"blhc-$arch.txt" 2>&1 && note "$arch" blhc pass ||
        note "$arch" blhc "FAIL: $(wc -l <"blhc-$arch.txt") findings"
    return 0
}

# hardening-check on the program. Two of its answers are caveats rather than findings, and
# blhc has seen both flags on every compile line: stack clash probes show only in frames
# over a page, and calls are fortified only where the size is known (memcpy, memmove and
# memset into a buffer of unknown size stay plain).
hardening() {
    local arch=$1 report unprotected
    dpkg-deb -x "build-$arch"/quorvel_*_"$arch".deb "tree-$arch"
    report=$(hardening-check --verbose "tree-$arch/usr/bin/quorvel" 2>&1) || true
    echo "$report" >"hardening-$arch.txt"
    unprotected=$(sed -n 's/^\tunprotected: //p' <<<"$report" | grep -vxE 'memcpy|memmove|memset') || true
    if grep -v -e ': yes' -e 'Stack clash protection: unknown' -e '^[[:space:]]' -e ':$' \
        -e 'Fortify Source functions: no, only unprotected functions found!' <<<"$report" |
        grep -q . || [ -n "$unprotected" ]; then
        note "$arch" hardening "FAIL (see below)"
    else
        note "$arch" hardening pass
    fi
}

# test_installed ARCH: autopkgtest in a minimal testbed unpacked from the architecture's
# minbase tarball.
test_installed() {
    local arch=$1 started=$SECONDS status=0 limit=$((20 * 60))
    as_builder timeout --kill-after=60 "$limit" autopkgtest --output-dir "$work/autopkgtest-$arch" \
        "$work/build-$arch"/quorvel_*_"$arch".deb "$dsc" --setup-commands='apt-get update' \
        -- unshare --arch "$arch" --tarball "$(tarball minbase "$arch")" >"autopkgtest-$arch.log" 2>&1 ||
        status=$?
    note "$arch" autopkgtest "$(verdict $status $limit), $(took $started)"
    return $status
}

# piuparts: install, remove and purge in a clean chroot from the minimal tarball, as root
# of a user namespace of the builder's, never as the host's root: the maintainer scripts it
# runs can write nothing of the host's. There no device node can be made, so the chroot
# gets the host's /dev bound in (recursively, as a user namespace requires; piuparts' own
# mount and umount are told so by the two stand-ins below) and a tarball without device
# nodes. Debian 12's piuparts does not know that newer debconf leaves
# /var/cache/debconf/tmp.ci/ behind.
install_remove() {
    local started=$SECONDS status=0 limit=$((20 * 60)) tools=$work/piuparts-tools
    mkdir -p "$tools" "$work/piuparts-tmp"
    printf '#!/bin/sh\n[ "$1 $2 $3" != "-o bind /dev" ] || { shift 3 && exec /usr/bin/mount --rbind /dev "$@"; }\nexec /usr/bin/mount "$@"\n' >"$tools/mount"
    printf '#!/bin/sh\ncase $1 in */dev) exec /usr/bin/umount --lazy "$1" ;; esac\nexec /usr/bin/umount "$@"\n' >"$tools/umount"
    chmod 755 "$tools"/*
    python3 - "$(tarball minbase "$host_arch")" "$work/piuparts.tar.gz" <<'EOF'
import sys, tarfile
with tarfile.open(sys.argv[1]) as source, tarfile.open(sys.argv[2], "w:gz") as copy:
    for entry in source:
        if entry.ischr() or entry.isblk():
            if entry.name.endswith("/dev/ptmx"):  # piuparts would make the node
                entry.type, entry.linkname = tarfile.SYMTYPE, "pts/ptmx"
                copy.addfile(entry)
            continue
        copy.addfile(entry, source.extractfile(entry) if entry.isreg() else None)
EOF
    chown -R "$builder:" "$work/piuparts-tmp" "$work/piuparts.tar.gz"
    as_builder timeout --kill-after=60 "$limit" unshare --user --map-root-user --map-auto --mount \
        --pid --fork --mount-proc env PATH="$tools:$PATH" TMPDIR="$work/piuparts-tmp" piuparts \
        --basetgz="$work/piuparts.tar.gz" --bindmount=/dev \
        --distribution="$suite" --mirror="$mirror main" "${piupartsopt[@]}" \
        --ignore=/var/cache/debconf/tmp.ci/ "$work/build-$host_arch"/quorvel_*_"$host_arch".deb \
        >piuparts.log 2>&1 || status=$?
    ((status != 0)) || grep -q 'PASS: All tests.' piuparts.log || status=1
    note "$host_arch" piuparts "$(verdict $status $limit), $(took $started)"
    return $status
}

# reproduce: reprotest in a throw-away chroot of the release, made by mmdebstrap in the
# builder's user namespace and deleted when it ends: the builds and reprotest run as root
# of that namespace only. The chroot holds the build dependencies of the nocheck profile
# only, so that a nocheck build cannot use what only the tests need. reprotest builds the
# source package so (dpkg-buildpackage -Pnocheck) twice, the second time with the
# variations below, and compares; it keeps both builds' packages, the first of which the
# nocheck step compares with sbuild's normal build. Not varied here: the file order
# (disorderfs needs the host's /dev/fuse, which only the host's root may open), the host
# name (reprotest changes it in a new user namespace, which the kernel refuses inside a
# chroot), the user, and the number of processors (the first build then takes them all,
# not one); check_reproducible.sh varies them all on this machine's release.
reprotest_vary=-all,+environment,+build_path,+kernel,+aslr,+home,+locales,+exec_path,+time,+timezone,+umask
reproduce() {
    local started=$SECONDS status=0 limit=$((45 * 60)) verdict
    mkdir reprotest && chown "$builder:" reprotest
    cat >reprotest.sh <<EOF
#!/bin/sh
# In the chroot, as root of the builder's user namespace.
set -e
cd /build
apt-get -y -q --no-install-recommends -P nocheck build-dep ./*.dsc >/results/build-dep.log 2>&1
status=0
DEB_BUILD_OPTIONS=nocheck reprotest --vary=$reprotest_vary --min-cpus=\$(nproc) \\
    --store-dir=/results/store -c 'dpkg-source -x *.dsc tree && cd tree && dpkg-buildpackage --no-sign -b -J -Pnocheck' \\
    . '*.deb' -- null >/results/reprotest.log 2>&1 || status=\$?
echo \$status >/results/status
EOF
    as_builder timeout --kill-after=60 "$limit" mmdebstrap --mode=unshare --variant=buildd \
        --include=reprotest,diffoscope-minimal,faketime,locales-all "${aptopt[@]}" \
        --customize-hook='mkdir "$1/build" "$1/results"' \
        --customize-hook="copy-in $(echo "$work"/source/*) /build" \
        --customize-hook="copy-in $work/reprotest.sh /" \
        --customize-hook='chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 sh /reprotest.sh' \
        --customize-hook="sync-out /results $work/reprotest" \
        "$suite" /dev/null "$mirror" >reprotest-mmdebstrap.log 2>&1 || status=$?
    if ((status != 0)); then
        verdict="$(verdict $status $limit) (mmdebstrap)"
    elif ! [ -s reprotest/status ]; then
        verdict="FAIL: left no result"
    elif [ "$(cat reprotest/status)" = 1 ]; then
        verdict="FAIL: the builds differ"
    elif [ "$(cat reprotest/status)" != 0 ]; then
        verdict="FAIL: exit $(cat reprotest/status)"
    elif ! grep -q '^Reproduction successful' reprotest/reprotest.log; then
        verdict="FAIL: no verdict in its log"
    else
        verdict=PASS
    fi
    note "$host_arch" reprotest "$verdict, $(took $started)"
    [ "$verdict" = PASS ]
}

# nocheck: the nocheck build's packages (reprotest's first build) and sbuild's normal
# build's, compared by diffoscope: the same files, byte for byte.
nocheck() {
    local built=("build-$host_arch"/*_"$host_arch".deb) plain=(reprotest/store/control/source-root/*.deb)
    [ -e "${built[0]}" ] || { note "$host_arch" nocheck "not run: no normal build" && return 1; }
    [ -e "${plain[0]}" ] || { note "$host_arch" nocheck "not run: no nocheck build" && return 1; }
    mkdir -p nocheck/normal nocheck/nocheck
    cp "${built[@]}" nocheck/normal && cp "${plain[@]}" nocheck/nocheck
    if (cd nocheck && diffoscope --exclude-directory-metadata=yes --text ../diffoscope-nocheck.txt \
        normal nocheck >/dev/null 2>&1); then
        note "$host_arch" nocheck "pass, ${#built[@]} same"
    else
        note "$host_arch" nocheck "FAIL: differ"
    fi
}

# The steps after a build run in the background; each job's cell and exit status are read.
declare -A job_cell
if [[ " ${arches[*]} " == *" $host_arch "* ]] && [[ $release_arches == *" $host_arch "* ]]; then
    reproduce &
    job_cell[$!]="$host_arch reprotest"
fi
for arch in "${arches[@]}"; do
    if [[ $release_arches != *" $arch "* ]]; then
        not_applicable "$arch" "not in this release"
    elif [ "$(cat "results/$arch.build")" != "not run" ] || ! build "$arch"; then
        :
    elif ! tested "$arch"; then
        :
    elif ! have_tarball minbase "$arch"; then
        note "$arch" autopkgtest "${tarball_why[minbase-$arch]}"
    else
        test_installed "$arch" &
        job_cell[$!]="$arch autopkgtest"
        [ "$arch" != "$host_arch" ] || { install_remove & job_cell[$!]="$arch piuparts" && hardening "$arch"; }
    fi
done
for job in "${!job_cell[@]}"; do
    status=0
    wait "$job" || status=$?
    read -r arch step <<<"${job_cell[$job]}"
    ((status == 0)) || ! passed "$arch" "$step" ||
        note "$arch" "$step" "FAIL: its job ended with exit $status"
    [ "$(cat "results/$arch.$step" 2>/dev/null)" != "not run" ] ||
        note "$arch" "$step" "not run: its job ended with exit $status and left no result"
done
# Every tarball job ends here, whether or not a step used its tarball.
for key in "${!tarball_job[@]}"; do have_tarball "${key%%-*}" "${key#*-}" || true; done
[ "$(cat "results/$host_arch.nocheck" 2>/dev/null)" != "not run" ] || nocheck || true

failures=0 unproved=()
columns='%-8s %-6s %-38s %-13s %-5s %-9s %-12s %-12s %-12s %-15s %s\n'
printf "$columns" release arch "sbuild, quick tests passed/run" lintian blhc hardening \
    autopkgtest piuparts reprotest nocheck "look-up path"
for arch in "${arches[@]}"; do
    cells=() failed=''
    for step in "${steps[@]}"; do
        cells+=("$(cat "results/$arch.$step" 2>/dev/null || echo "not run: no result")")
        passed "$arch" "$step" || { failed=yes && unproved+=("$arch $step (${cells[-1]})"); }
    done
    printf "$columns" "$suite" "$arch" "${cells[@]}" | sed 's/ *$//'
    [ -z "$failed" ] || failures=$((failures + 1))
done
# Any compiler warning; lintian's tags where this machine's architecture was built (the
# others', where they fail).
for report in warnings-*.txt lintian-*.txt blhc-*.txt hardening-*.txt; do
    arch=${report%.txt} arch=${arch#*-} step=${report%%-*}
    [ -s "$report" ] && { [ "$step" = warnings ] || [ "$arch" = "$host_arch" ] ||
        grep -qs FAIL "results/$arch.$step"; } && { echo "--- $report:" && cat "$report"; }
done
for arch in "${arches[@]}"; do
    grep -qs FAIL "results/$arch.autopkgtest" && { echo "--- autopkgtest-$arch.log:" && tail -n 25 "autopkgtest-$arch.log"; }
done
grep -qs FAIL "results/$host_arch.piuparts" && { echo "--- piuparts.log:" && tail -n 25 piuparts.log; }
grep -qs FAIL "results/$host_arch.reprotest" && for log in reprotest-mmdebstrap.log reprotest/reprotest.log; do
    [ ! -s "$log" ] || { echo "--- $log:" && tail -n 40 "$log"; }
done
grep -qs FAIL "results/$host_arch.nocheck" && { echo "--- diffoscope-nocheck.txt:" && head -n 60 diffoscope-nocheck.txt; }
echo "=== check_debian.sh $suite: ${#arches[@]} architectures, $failures failed, in $(took $began)"
((failures == 0)) && exit
# The logs stay where a failure can be looked into; the tarballs and chroots go.
rm -rf --one-file-system ./*.tar.gz tmp piuparts-tmp
mv "$work" "$work.failed" && echo "the logs are in $work.failed"
printf -v line '%s; ' "${unproved[@]}"
echo "check_debian.sh: not proved: ${line%; }"
exit 1
