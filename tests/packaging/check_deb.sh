#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its name, control fields and contents,
# then runs lintian on it, which must report no error and no warning.
# Usage: check_deb.sh CPACK BUILD_DIR SOURCE_DIR WORK_DIR VERSION
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

cpack=$1 build=$2 source=$3 work=$4 version=$5
need_tools dpkg dpkg-deb dpkg-shlibdeps lintian file gzip
arch=$(dpkg --print-architecture)

rm -rf "$work" && mkdir -p "$work"
(cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
    die "cpack failed: $(cat "$work/cpack.log")"
deb=$work/out/quorvel_${version}_$arch.deb
[ -f "$deb" ] || die "no $(basename "$deb"); made: $(cd "$work/out" && ls -- *.deb)"
pass "built $(basename "$deb")"

# --- control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
for name in Maintainer Section Priority Homepage Description; do
    [ -n "$(field "$name")" ] || fail "no $name field"
done
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^@\>]+\>$ ]] || fail "Maintainer is '$(field Maintainer)'"
[[ $(field Homepage) =~ ^https:// ]] || fail "Homepage is '$(field Homepage)'"
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
    usr/share/doc/quorvel/copyright
    usr/share/doc/quorvel/changelog.gz
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
description=$(file -b "$work/tree/usr/bin/quorvel")
[[ $description == ELF*", stripped"* ]] || fail "binary is not stripped: $description"
for packed in usr/share/man/man1/quorvel.1.gz usr/share/doc/quorvel/changelog.gz; do
    gzip -t "$work/tree/$packed" 2>/dev/null || fail "$packed is not gzip"
done
for shipped in quorvel.desktop "$metainfo" copyright; do
    installed=$(grep -m1 "/$shipped\$" "$work/files")
    cmp -s "$source/packaging/$shipped" "$work/tree/$installed" ||
        fail "$installed differs from packaging/$shipped"
done

# --- lintian ---
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1
status=$?
echo "lintian (exit $status):"
sed 's/^/  /' "$work/lintian.log"
if [ $status -ne 0 ] || grep -q '^[EW]: ' "$work/lintian.log"; then
    fail "lintian found errors or warnings"
else
    pass "lintian: no error, no warning"
fi

finish
