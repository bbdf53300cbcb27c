#!/usr/bin/env bash
# Installs the build into a scratch root as a distribution would (prefix /usr) and checks
# that the desktop entry and AppStream metadata are valid and point at what was installed.
# Usage: check_install.sh CMAKE BUILD_DIR WORK_DIR VERSION DESCRIPTION
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

cmake=$1 build=$2 work=$3 version=$4 description=$5
icon_sizes=(32 48 64 128 256)
need_tools desktop-file-validate appstreamcli file

root=$work/root
rm -rf "$work" && mkdir -p "$work"
DESTDIR=$root "$cmake" --install "$build" --prefix /usr >"$work/install.log" ||
    die "cmake --install failed: $(cat "$work/install.log")"
share=$root/usr/share

# --- desktop entry ---
entries=("$share"/applications/*.desktop)
[ -f "${entries[0]}" ] || die "no desktop entry installed in /usr/share/applications"
[ "${#entries[@]}" -eq 1 ] || fail "one desktop entry expected, found: ${entries[*]}"
entry=${entries[0]}

report=$(desktop-file-validate "$entry" 2>&1)
status=$?
# Hints too: each one is something a menu may show wrongly.
if [ $status -ne 0 ] || [ -n "$report" ]; then
    fail "desktop-file-validate: $report"
else
    pass "desktop-file-validate $(basename "$entry")"
fi

[ "$(desktop_value "$entry" Type)" = Application ] || fail "Type is not Application"
[ "$(desktop_value "$entry" Terminal)" = false ] || fail "Terminal is not false"
# The description is the program's own Chinese; the untagged Comment, for every locale
# without a line of its own, is English.
[ "$(desktop_value "$entry" 'Comment[zh_CN]')" = "$description" ] ||
    fail "Comment[zh_CN] differs from the project's description: $(desktop_value "$entry" 'Comment[zh_CN]')"

# Exec: the command without its field codes, found where the menu would look for it.
exec_line=$(desktop_value "$entry" Exec)
read -r command _ <<<"$exec_line"
case $command in
    /*) binary=$root$command ;;
    */* | '') binary= ;;
    *) binary=$root/usr/bin/$command ;;
esac
if [ -n "$binary" ] && [ -f "$binary" ] && [ -x "$binary" ] &&
    file -b "$binary" | grep -q '^ELF .*executable'; then
    pass "Exec=$exec_line runs the installed ${binary#"$root"}"
else
    fail "Exec=$exec_line does not name an installed executable"
fi

# Icon: a theme name, with a picture of the right size in each hicolor size directory.
icon=$(desktop_value "$entry" Icon)
case $icon in
    '' | */* | *.png | *.svg | *.xpm) fail "Icon=$icon is not a theme icon name" ;;
esac
for size in "${icon_sizes[@]}"; do
    picture=$share/icons/hicolor/${size}x${size}/apps/$icon.png
    if [ ! -f "$picture" ]; then
        fail "no ${size}x${size} icon $icon.png"
    elif [ "$(png_size "$picture")" != "${size}x${size}" ]; then
        fail "${picture#"$root"} is $(png_size "$picture")"
    else
        pass "icon ${picture#"$root"}"
    fi
done
# Whatever else is installed under the icon's name must sit in the directory of its size.
while IFS= read -r picture; do
    dir_size=$(basename "$(dirname "$(dirname "$picture")")")
    [ "$(png_size "$picture")" = "$dir_size" ] ||
        fail "${picture#"$root"} is $(png_size "$picture") in $dir_size"
done < <(find "$share/icons" -name "$icon.png")

# --- AppStream metadata ---
metainfos=("$share"/metainfo/*.metainfo.xml)
[ -f "${metainfos[0]}" ] || die "no metainfo installed in /usr/share/metainfo"
[ "${#metainfos[@]}" -eq 1 ] || fail "one metainfo expected, found: ${metainfos[*]}"
metainfo=${metainfos[0]}

# The developer is named in AppStream 1.0's <developer> element, which AppStream 0.16
# (Debian 12) does not know yet: there, unknown tags are only shown, and any other than
# that one still fails.
validate=(appstreamcli validate --no-net --strict --pedantic)
[[ $(appstreamcli --version) =~ version:\ 0\. ]] && validate+=(--override=unknown-tag=pedantic)
if report=$("${validate[@]}" "$metainfo" 2>&1); then
    pass "${validate[*]} $(basename "$metainfo")"
    echo "$report" | sed 's/^/  /'
else
    fail "appstreamcli validate: $report"
fi
unknown=$(grep 'unknown-tag' <<<"$report" | grep -v 'unknown-tag developer$')
[ -z "$unknown" ] || fail "appstreamcli validate: $unknown"

id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] ||
    fail "metainfo file $(basename "$metainfo") is not named after its id $id"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -n "$launchable" ] && [ -f "$share/applications/$launchable" ] ||
    fail "launchable desktop-id '$launchable' is not installed"
binary_name=$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")
[ -n "$binary_name" ] && [ -x "$root/usr/bin/$binary_name" ] ||
    fail "provided binary '$binary_name' is not installed"
[ "$(sed -n 's:^  <name>\(.*\)</name>$:\1:p' "$metainfo")" = "$(desktop_value "$entry" Name)" ] ||
    fail "metainfo name and desktop entry Name differ"
latest=$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$latest" = "$version" ] || fail "latest release in the metainfo is '$latest', not $version"
grep -qF "<p xml:lang=\"zh_CN\">$description</p>" "$metainfo" ||
    fail "metainfo lacks the Chinese description"

finish
