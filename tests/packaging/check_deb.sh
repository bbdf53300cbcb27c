#!/usr/bin/env bash
# Checks the Debian package that dpkg-buildpackage made (scripts/build_deb.sh): its name,
# control fields, contents and modes, its debug symbols, lintian --pedantic on the
# .changes and the source package's .dsc, hardening-check on the program, and that apt
# installs, removes and purges it.
# Usage: check_deb.sh SOURCE_DIR OUT_DIR WORK_DIR
#   OUT_DIR holds what build_deb.sh put there (.deb, dbgsym .deb, .changes, source/).
# Installing is done as root (or with sudo); a quorvel installed before is left out of it:
# the check then stops rather than replace it.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage='usage: check_deb.sh SOURCE_DIR OUT_DIR WORK_DIR'
source=${1:?$usage} out=${2:?$usage} work=${3:?$usage}
need_tools dpkg dpkg-deb dpkg-parsechangelog lintian hardening-check readelf file gzip apt-get
# The architecture built for: DEB_HOST_ARCH where a cross build sets it, else this machine's.
arch=$(dpkg-architecture -qDEB_HOST_ARCH 2>/dev/null)
version=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)

# Lintian tags below warnings that stay, each with the reason it stays. Any other info or
# pedantic tag fails the check, so a new one is looked at.
explained_tags=()

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

rm -rf "$work" && mkdir -p "$work"
deb=$out/quorvel_${version}_$arch.deb
dbgsym=$out/quorvel-dbgsym_${version}_$arch.deb
changes=$out/quorvel_${version}_$arch.changes
for made in "$deb" "$changes"; do
    [ -f "$made" ] || die "no $(basename "$made") in $out; there: $(ls "$out" | tr '\n' ' ')"
done
# A build with DEB_BUILD_OPTIONS=noautodbgsym (or nostrip) makes no debug-symbol package.
if [ -f "$dbgsym" ]; then
    pass "found $(basename "$deb"), $(basename "$dbgsym"), $(basename "$changes")"
else
    dbgsym=''
    pass "found $(basename "$deb"), $(basename "$changes"); no debug-symbol package was built"
fi

# --- control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ "$(field Priority)" = optional ] || fail "Priority is '$(field Priority)'"
[ "$(field Maintainer)" = "Quorvel developers <quorvel@example.org>" ] ||
    fail "Maintainer is '$(field Maintainer)'"
[ "$(field Homepage)" = https://example.org/quorvel ] || fail "Homepage is '$(field Homepage)'"
[ "$(field Description | wc -l)" -ge 2 ] || fail "Description has no long description"

# Names only: the versions come from dpkg-shlibdeps and change with the libraries. So
# may the names: Debian 13 renamed some libraries for 64-bit time_t (libqt6core6t64).
package_names() {
    tr ',|' '\n\n' | sed -e 's/(.*)//' -e 's/[[:space:]]//g' -e 's/t64$//' | sed '/^$/d'
}
depends=$(field Depends | package_names)
for package in fonts-arphic-uming fonts-wqy-zenhei fonts-arphic-ukai \
    libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
    grep -qxF "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done
# A Wayland session gets a native window only with Qt's Wayland plugin.
field Recommends | package_names | grep -qxF qt6-wayland ||
    fail "Recommends lacks qt6-wayland: $(field Recommends)"
pass "control: $(field Package) $(field Version) $(field Architecture), Depends: $(field Depends)," \
    "Recommends: $(field Recommends)"

# --- contents ---
dpkg-deb -c "$deb" >"$work/contents" || die "dpkg-deb -c failed"
metainfo=$(basename "$source"/packaging/*.metainfo.xml)
expected_files=(
    usr/bin/quorvel
    usr/share/applications/quorvel.desktop
    usr/share/metainfo/"$metainfo"
    usr/share/man/man1/quorvel.1.gz
    usr/share/man/zh_CN/man1/quorvel.1.gz
    usr/share/doc/quorvel/copyright
    usr/share/doc/quorvel/changelog.gz
    usr/share/doc/quorvel/changelog.Debian.gz
    usr/share/lintian/overrides/quorvel
)
for size in 32 48 64 128 256; do
    expected_files+=("usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png")
done
# Columns: mode, owner/group, size, date, time, path.
awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' "$work/contents" | sort >"$work/files"
printf '%s\n' "${expected_files[@]}" | sort >"$work/expected"
if diff -u "$work/expected" "$work/files" >"$work/files.diff"; then
    pass "the package holds exactly the ${#expected_files[@]} expected files"
else
    fail "package files differ from the expected ones:"$'\n'"$(cat "$work/files.diff")"
fi
awk '$2 != "root/root" { print "not root-owned: " $0 }
     $1 ~ /^d/ && $1 != "drwxr-xr-x" { print "directory mode: " $0 }
     $1 ~ /^-/ && $6 == "./usr/bin/quorvel" && $1 != "-rwxr-xr-x" { print "binary mode: " $0 }
     $1 ~ /^-/ && $6 != "./usr/bin/quorvel" && $1 != "-rw-r--r--" { print "file mode: " $0 }
     $1 !~ /^[-d]/ { print "neither file nor directory: " $0 }' "$work/contents" >"$work/modes"
[ -s "$work/modes" ] && fail "$(cat "$work/modes")" || pass "owners and modes"

dpkg-deb -x "$deb" "$work/tree" || die "dpkg-deb -x failed"
binary=$work/tree/usr/bin/quorvel
description=$(file -b "$binary")
[[ $description == ELF*", stripped"* ]] || fail "binary is not stripped: $description"
for packed in usr/share/man/man1/quorvel.1.gz usr/share/doc/quorvel/changelog.gz \
    usr/share/doc/quorvel/changelog.Debian.gz; do
    gzip -t "$work/tree/$packed" 2>/dev/null || fail "$packed is not gzip"
done
# Each changelog once: the project's as changelog.gz, the packaging's as changelog.Debian.gz.
cmp -s "$source/packaging/changelog" <(gzip -dc "$work/tree/usr/share/doc/quorvel/changelog.gz") ||
    fail "changelog.gz is not packaging/changelog"
cmp -s "$source/debian/changelog" \
    <(gzip -dc "$work/tree/usr/share/doc/quorvel/changelog.Debian.gz") ||
    fail "changelog.Debian.gz is not debian/changelog"
for shipped in packaging/quorvel.desktop "packaging/$metainfo" debian/copyright; do
    installed=$(grep -m1 "/$(basename "$shipped")\$" "$work/files")
    cmp -s "$source/$shipped" "$work/tree/$installed" || fail "$installed differs from $shipped"
done
grep -qxF "Upstream-Name: Quorvel" "$work/tree/usr/share/doc/quorvel/copyright" ||
    fail "copyright is not in the machine-readable format"
pass "binary stripped, pages and changelogs compressed, shipped files are the sources'"

# --- debug symbols: the dbgsym package holds the program's, by its build id ---
debug_file=''
if [ -n "$dbgsym" ]; then
    build_id=$(readelf -n "$binary" | sed -n 's/^ *Build ID: *//p')
    dpkg-deb -x "$dbgsym" "$work/dbgsym" || die "dpkg-deb -x $(basename "$dbgsym") failed"
    debug_file=$work/dbgsym/usr/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug
    if [ -n "$build_id" ] && [ -f "$debug_file" ]; then
        pass "debug symbols of build id $build_id in $(basename "$dbgsym")"
    else
        fail "no debug file for build id '$build_id' in $(basename "$dbgsym")"
    fi
fi

# --- lintian: the binary packages, and the source package they were built from ---
checked=("$changes")
dsc=$(ls "$out"/source/*.dsc 2>/dev/null | head -n 1)
[ -n "$dsc" ] && checked+=("$dsc") || fail "no source package in $out/source"
lintian --pedantic --display-info --fail-on error,warning "${checked[@]}" >"$work/lintian.log" 2>&1
status=$?
echo "lintian --pedantic ${checked[*]##*/} (exit $status):"
sed 's/^/  /' "$work/lintian.log"
if [ $status -ne 0 ] || grep -q '^[EW]: ' "$work/lintian.log"; then
    fail "lintian found errors or warnings"
else
    pass "lintian: no error, no warning"
fi
while read -r tag; do
    [[ " ${explained_tags[*]} " == *" $tag "* ]] || fail "lintian tag $tag is not explained here"
done < <(sed -n 's/^[IPX]: [^ ]*: \([^ ]*\).*/\1/p' "$work/lintian.log" | sort -u)

# --- hardening ---
# Each line must say yes, but for two whose tests look for traces the compiler leaves
# only where there is something to protect (hardening-check's own caveats):
#  - stack clash probes appear only in functions with frames over a page; that the flag
#    was used is read from the compile options recorded in the debug information;
#  - fortified calls (__memcpy_chk ...) appear only where the compiler knows the size of
#    the destination. memcpy, memmove and memset into a buffer of unknown size stay
#    plain calls; any other unprotected function fails.
# Each machine has its own control-flow protection: IBT and SHSTK on x86, BTI and PAC on
# AArch64; the other's line is not asked for.
check_hardening() {
    local program=$1 debug=$2 report line unprotected producers
    report=$(hardening-check --verbose "$program" 2>&1)
    echo "$report" | sed 's/^/  /'
    while IFS= read -r line; do
        case $line in
            *": yes"* | "$program:" | $'\t'unprotected:*) ;;
            *"Stack clash protection: unknown, no -fstack-clash-protection instructions found")
                producers=$(readelf --debug-dump=info "$debug" 2>/dev/null |
                    grep 'DW_AT_producer.*GNU C++')
                if [ -z "$debug" ]; then
                    echo "  (no debug symbols to read the compile options from: not checked)"
                elif [ -z "$producers" ]; then
                    fail "$program: no compile options recorded in $(basename "$debug")"
                elif grep -qv -- '-fstack-clash-protection' <<<"$producers"; then
                    fail "$program: compiled without -fstack-clash-protection"
                fi
                ;;
            *"Fortify Source functions: no, only unprotected functions found!")
                unprotected=$(sed -n 's/^\tunprotected: //p' <<<"$report" |
                    grep -vxE 'memcpy|memmove|memset')
                [ -z "$unprotected" ] ||
                    fail "$program: unfortified calls of" $unprotected
                ;;
            *"Branch Protection: no, not found!")
                # Newer hardening-check looks for AArch64's BTI and PAC on every machine.
                [[ $arch == arm64 ]] && fail "$program: hardening-check says: $line"
                ;;
            *) fail "$program: hardening-check says: $line" ;;
        esac
    done <<<"$report"
}
echo "hardening-check of the packaged program:"
check_hardening "$binary" "$debug_file"

# --- install, remove, purge ---
package_state() { dpkg-query -W -f='${db:Status-Status}' quorvel 2>/dev/null; }
case $(package_state) in
    '' | not-installed) ;;
    *) die "quorvel is on this machine already ($(package_state)): not replacing it" ;;
esac
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y)
# install_package ROUND: installs the .deb, as a user would with apt.
install_package() {
    as_root "${apt[@]}" install --no-install-recommends "$deb" >"$work/install-$1.log" 2>&1 ||
        die "apt-get install failed: $(tail -n 20 "$work/install-$1.log")"
    [ "$(package_state)" = installed ] || fail "after install quorvel is '$(package_state)'"
    [ "$(dpkg-query -W -f='${Version}' quorvel)" = "$version" ] ||
        fail "installed version is $(dpkg-query -W -f='${Version}' quorvel)"
}
# expect_gone HOW: nothing of the package is left, nor does dpkg keep its configuration.
expect_gone() {
    local leftovers
    leftovers=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' |
        while read -r path; do [ ! -e "$path" ] || echo "$path"; done)
    [ -z "$leftovers" ] || fail "left behind after $1: $leftovers"
    case $(package_state) in
        '' | not-installed) pass "$1: no file left, dpkg keeps nothing" ;;
        *) fail "after $1 quorvel is '$(package_state)'" ;;
    esac
}

install_package 1
[ -x /usr/bin/quorvel ] && pass "installed $version" || fail "no /usr/bin/quorvel"
echo "hardening-check of the installed program:"
check_hardening /usr/bin/quorvel "$debug_file"
as_root "${apt[@]}" remove quorvel >"$work/remove.log" 2>&1 || fail "apt-get remove failed"
expect_gone "apt-get remove"
install_package 2
as_root "${apt[@]}" purge quorvel >"$work/purge.log" 2>&1 || fail "apt-get purge failed"
expect_gone "apt-get purge"

finish
