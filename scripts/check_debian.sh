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
#  - autopkgtest in autopkgtest-virt-unshare from the architecture's tarball: on those this
#    machine runs itself, and with -a on the others too, under qemu-user;
#  - piuparts on this machine's architecture, from its tarball.
# Prints one line per architecture and exits non-zero if any step failed or could not run;
# an architecture the release lacks, or whose packages the mirror does not serve, is said
# so and is neither. Runs as root: it installs the tools, makes the unprivileged user the
# builds run as (with subordinate ids) and enables qemu-user-static's binfmt entries. What
# piuparts mounts lives in a mount namespace of its own and ends with it.
# Usage: check_debian.sh [-a] SUITE [ARCH...]   (default: this machine's architecture, i386
#        on amd64, and arm64)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fail() {
    echo "check_debian.sh: $*" >&2
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
[ "$(id -u)" -eq 0 ] || fail "runs as root (it installs tools and enables binfmt entries)"

source "$root/scripts/debian_tools.sh"
install_tools mmdebstrap arch-test sbuild autopkgtest piuparts blhc devscripts qemu-user-static \
    binfmt-support uidmap python3 dpkg-dev || fail "the tools are missing"
make_builder || fail "no unprivileged builds here"
mirror=$(debian_mirror) || fail "no mirror"
read_release "$mirror" "$suite" || fail "no release $suite"
aptopt=() piupartsopt=()
[ -z "$index_expired" ] ||
    aptopt=(--aptopt='Acquire::Check-Valid-Until "false"') piupartsopt=(--no-check-valid-until)

work=$(mktemp -d /var/tmp/quorvel-debian.XXXXXX)
chmod 755 "$work"
trap 'rm -rf --one-file-system "$work"' EXIT
trap 'exit 130' INT TERM
cd "$work"
mkdir source results && chown "$builder:" . results
began=$SECONDS
took() { echo "$((SECONDS - $1)) s"; }
# note ARCH STEP TEXT: a cell of the table; "FAIL"/"not run" in it count as failures.
note() { echo "$3" >"results/$1.$2"; }

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
    [ -e /proc/sys/fs/binfmt_misc/status ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc ||
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

# Tarballs first, all at once: mostly the network. The native one serves the cross builds.
# apt-utils holds the release's own apt solver, which sbuild's cross-build resolver calls:
# without it sbuild copies in this machine's, which a newer release's apt cannot run.
declare -A tarball_job tarball_why
tarball() { echo "$work/$suite-$1.tar.gz"; }
for arch in "${arches[@]}" "$host_arch"; do
    [ -z "${tarball_job[$arch]:-}" ] && [[ $release_arches == *" $arch "* ]] || continue
    why=$(foreign_runs "$arch") || { note "$arch" build "not run: $why" && continue; }
    [ "$arch" = "$host_arch" ] || tested "$arch" || continue
    as_builder mmdebstrap --variant=buildd --include=apt-utils --mode=unshare --arch="$arch" "${aptopt[@]}" \
        "$suite" "$(tarball "$arch")" "$mirror" >"mmdebstrap-$arch.log" 2>&1 &
    tarball_job[$arch]=$!
done
# have_tarball ARCH: waits for it, in the main shell; where there is none, the reason is
# in tarball_why[ARCH].
have_tarball() {
    local arch=$1
    if [ -z "${tarball_why[$arch]+set}" ]; then
        tarball_why[$arch]=''
        if [ -z "${tarball_job[$arch]:-}" ]; then
            tarball_why[$arch]=$(cat "results/$arch.build")
        elif ! wait "${tarball_job[$arch]}"; then
            tarball_why[$arch]="not served by this mirror"
            grep -q '404  Not Found' "mmdebstrap-$arch.log" || {
                tarball_why[$arch]="FAIL: mmdebstrap (the end of its log is above)"
                tail -n 15 "mmdebstrap-$arch.log" >&2
            }
        fi
    fi
    [ -z "${tarball_why[$arch]}" ]
}

# build ARCH: sbuild of the .dsc, natively or cross; then its autopkgtest, in the background.
build() {
    local arch=$1 options=() started=$SECONDS log summary tests skipped kind=native
    local chroot_arch=$arch
    if [ "$arch" = "$host_arch" ]; then
        # The source package is linted with it, as built by the release's dpkg-source.
        options=(--arch="$arch" --source)
    elif [[ $native_arches == *" $arch "* ]]; then
        options=(--arch="$arch")
    else
        options=(--host="$arch" --profiles=cross)
        chroot_arch=$host_arch kind=cross
    fi
    have_tarball "$chroot_arch" || { note "$arch" build "${tarball_why[$chroot_arch]}" && return 1; }
    mkdir -p "build-$arch" && chown "$builder:" "build-$arch"
    (cd "build-$arch" && as_builder env DEB_BUILD_OPTIONS="crossbuildcanrunhostbinaries parallel=$(nproc)" \
        sbuild --chroot-mode=unshare --chroot="$(tarball "$chroot_arch")" --dist="$distribution" \
        "${options[@]}" --no-apt-upgrade --no-apt-distupgrade --no-run-piuparts \
        --no-run-autopkgtest --run-lintian --lintian-opts="--pedantic --display-info" \
        "$dsc" >/dev/null 2>&1) || true
    log=$(ls "build-$arch"/*_"$arch".build 2>/dev/null | head -n 1)
    summary=$(sed -n 's/^Status: //p' "$log" 2>/dev/null)
    # CTest counts a skipped test among the passed ones; here it is not.
    skipped=$(grep -c '(Skipped)$' "$log") || true
    tests=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 |
        awk -v skipped="$skipped" '{ printf "%d/%d", $NF - $4 - skipped, $NF }')
    ((skipped == 0)) || tests+=", $skipped skipped"
    # ctest --verbose puts the test's number before each line of its output.
    sed -n "s/^.*FindCodeUnit's path on this machine: //p" "$log" | head -n 1 >"results/$arch.path"
    if [ "$summary" != successful ]; then
        note "$arch" build "FAIL: sbuild $summary ($(took $started))"
        sed -n '/^| Summary/,$p' "$log" | head -n 20 >&2
        grep -E 'FAILED|Error|error:' "$log" | tail -n 15 >&2
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

# test_installed ARCH: autopkgtest in a testbed unpacked from the architecture's tarball.
test_installed() {
    local arch=$1 started=$SECONDS status=0
    as_builder autopkgtest --output-dir "$work/autopkgtest-$arch" "$work/build-$arch"/quorvel_*_"$arch".deb \
        "$dsc" --setup-commands='apt-get update' -- unshare --arch "$arch" \
        --tarball "$(tarball "$arch")" >"autopkgtest-$arch.log" 2>&1 ||
        status=$?
    note "$arch" autopkgtest "$( ((status == 0)) && echo PASS || echo "FAIL: exit $status"), $(took $started)"
}

# piuparts: install, remove and purge in a clean chroot from the same tarball. Debian 12's
# piuparts does not know that newer debconf leaves /var/cache/debconf/tmp.ci/ behind.
install_remove() {
    local started=$SECONDS status=0
    unshare --mount --propagation private piuparts --basetgz="$(tarball "$host_arch")" \
        --distribution="$suite" --mirror="$mirror main" "${piupartsopt[@]}" \
        --ignore=/var/cache/debconf/tmp.ci/ "$work/build-$host_arch"/quorvel_*_"$host_arch".deb \
        >piuparts.log 2>&1 || status=$?
    note "$host_arch" piuparts "$(grep -q 'PASS: All tests.' piuparts.log && echo PASS ||
        echo "FAIL: exit $status"), $(took $started)"
}

tests=()
for arch in "${arches[@]}"; do
    if [[ $release_arches != *" $arch "* ]]; then
        note "$arch" build "not in this release"
    elif [ -f "results/$arch.build" ] || ! build "$arch"; then
        :
    elif ! tested "$arch"; then
        note "$arch" autopkgtest "with -a"
    elif ! have_tarball "$arch"; then
        note "$arch" autopkgtest "${tarball_why[$arch]}"
    else
        test_installed "$arch" &
        tests+=($!)
        [ "$arch" != "$host_arch" ] || { install_remove & tests+=($!); hardening "$arch"; }
    fi
done
((${#tests[@]} == 0)) || wait "${tests[@]}"

failures=0
columns='%-8s %-6s %-38s %-13s %-5s %-9s %-12s %-12s %s\n'
printf "$columns" release arch "sbuild, quick tests passed/run" lintian blhc hardening \
    autopkgtest piuparts "look-up path"
for arch in "${arches[@]}"; do
    cells=()
    for step in build lintian blhc hardening autopkgtest piuparts path; do
        cells+=("$(cat "results/$arch.$step" 2>/dev/null || echo -)")
    done
    printf "$columns" "$suite" "$arch" "${cells[@]}" | sed 's/ *$//'
    grep -lE '^(FAIL|fail|not run)' results/"$arch".* >/dev/null 2>&1 && failures=$((failures + 1))
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
echo "=== check_debian.sh $suite: ${#arches[@]} architectures, $failures failed, in $(took $began)"
((failures == 0)) && exit
# The logs stay where a failure can be looked into; the tarballs go.
rm -f ./*.tar.gz
mv "$work" "$work.failed" && echo "the logs are in $work.failed" && exit 1
