#!/usr/bin/env bash
# Builds the Windows installer and portable zip with CPack and checks what they hold.
# Then, as a new user would, in a fresh Wine prefix on a private Xvfb display: installs
# with /S, runs the installed program, installs again over it, uninstalls with /S and
# compares the prefix with how it was before; then runs the program unpacked from the zip.
# Usage: check_windows_packages.sh CPACK BUILD_DIR SOURCE_DIR WORK_DIR VERSION DESCRIPTION
set -uo pipefail

cpack=$1 build=$2 source=$3 out_dir=$4 version=$5 description=$6
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"
need_tools wine wineboot wineserver Xvfb xdotool xclip unzip iconv od \
    x86_64-w64-mingw32-objdump
name=Quorvel-$version-win64

rm -rf "$out_dir" && mkdir -p "$out_dir"
(cd "$build" && "$cpack" -B "$out_dir/out") >"$out_dir/cpack.log" 2>&1 ||
    die "cpack failed: $(cat "$out_dir/cpack.log")"
installer=$out_dir/out/$name.exe zip=$out_dir/out/$name.zip
for package in "$installer" "$zip"; do
    [ -f "$package" ] || die "no $(basename "$package"); made: $(cd "$out_dir/out" && ls)"
    pass "built $(basename "$package"), $(stat -c %s "$package") bytes"
done

# --- the zip -------------------------------------------------------------------------
unzip -Z1 "$zip" | LC_ALL=C sort >"$out_dir/zip.list"
printf '%s\n' LICENSE README.txt quorvel.exe >"$out_dir/zip.expected"
diff -u "$out_dir/zip.expected" "$out_dir/zip.list" >"$out_dir/zip.diff" &&
    pass "the zip holds exactly $(tr '\n' ' ' <"$out_dir/zip.list")" ||
    fail "zip contents differ:"$'\n'"$(cat "$out_dir/zip.diff")"
portable=$out_dir/portable # a fresh folder, as a user unpacks it
unzip -q "$zip" -d "$portable" || die "unzip failed"
cmp -s "$portable/LICENSE" "$source/LICENSE" || fail "the zip's LICENSE differs from LICENSE"

readme=$portable/README.txt
[ "$(hex_bytes -N3 "$readme")" = " ef bb bf" ] || fail "README.txt does not start with a UTF-8 BOM"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "README.txt is not UTF-8"
lines=$(tr -cd '\n' <"$readme" | wc -c)
crlf_lines=$(grep -c $'\r$' "$readme")
carriage_returns=$(tr -cd '\r' <"$readme" | wc -c)
if [ "$lines" -gt 0 ] && [ "$crlf_lines" -eq "$lines" ] && [ "$carriage_returns" -eq "$lines" ] &&
    [ "$(tail -c2 "$readme" | hex_bytes)" = " 0d 0a" ]; then
    pass "README.txt: $lines lines, each ending in CRLF"
else
    fail "README.txt: $crlf_lines of $lines lines end in CRLF, $carriage_returns CRs"
fi
for needed in "Quorvel $version" 不需要安装 "needs no" kTotalStrokes Unihan MIT; do
    grep -qF -- "$needed" "$readme" || fail "README.txt does not mention '$needed'"
done
# The Unicode notice, word for word as debian/copyright has it.
awk '/^License: Unicode-DFS-2016/ { lic = 1; next }
     lic && /COPYRIGHT AND PERMISSION NOTICE/ { on = 1 }
     on && !/^ / { exit }
     on { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' "$source/debian/copyright" \
    >"$out_dir/notice.expected"
tr -d '\r' <"$readme" | sed -n '/^COPYRIGHT AND PERMISSION NOTICE$/,$p' >"$out_dir/notice.readme"
[ -s "$out_dir/notice.expected" ] && diff -u "$out_dir/notice.expected" "$out_dir/notice.readme" \
    >"$out_dir/notice.diff" && pass "README.txt: the Unicode notice is debian/copyright's" ||
    fail "README.txt's Unicode notice differs from debian/copyright:"$'\n'"$(
        cat "$out_dir/notice.diff")"

# --- the installer as a file ---------------------------------------------------------
x86_64-w64-mingw32-objdump -p "$installer" >"$out_dir/installer.pe" 2>&1 || die "not a PE file"
grep -qE '^Magic[[:space:]]+020b' "$out_dir/installer.pe" ||
    fail "the installer is not 64-bit (PE32+)"
grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]' "$out_dir/installer.pe" ||
    fail "the installer is not a GUI program"
image=$(hex_bytes "$installer")
IFS=. read -r major minor patch tweak <<<"$version"
word() { printf ' %02x %02x' $((10#${1:-0} & 255)) $((10#${1:-0} >> 8)); }
numbers="$(word "$minor")$(word "$major")$(word "$tweak")$(word "$patch")"
# makensis leaves the structure version 0.
grep -qE -- " bd 04 ef fe 00 00 0[01] 00$numbers$numbers" <<<"$image" ||
    fail "the installer has no fixed version info $version"
declare -A version_strings=(
    [ProductName]=Quorvel [ProductVersion]=$version [FileVersion]=$version
    [CompanyName]="Quorvel developers" [FileDescription]="Quorvel 安装程序"
    [OriginalFilename]=$name.exe
)
for key in "${!version_strings[@]}"; do
    pattern="$(utf16le_hex "$key") 00 00( 00 00)?$(utf16le_hex "${version_strings[$key]}") 00 00"
    grep -qE -- "$pattern" <<<"$image" ||
        fail "the installer's version info has no $key \"${version_strings[$key]}\""
done
icon=$source/assets/clover.ico
offset=$(od -An -tu4 -j18 -N4 "$icon" | tr -d ' ')
length=$(od -An -tu4 -j14 -N4 "$icon" | tr -d ' ')
grep -qF -- "$(hex_bytes -j"$offset" -N"$length" "$icon")" <<<"$image" ||
    fail "the installer does not carry the clover icon"
unset image
pass "installer: PE32+ GUI, version $version and its strings, the clover icon"

# --- installed, run, installed again and removed under Wine --------------------------
start_session
pass "fresh Wine prefix on display $DISPLAY"
drive=$WINEPREFIX/drive_c
install_dir=$drive/'Program Files'/Quorvel
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'
snapshot "$out_dir/before"

# check_installed WHEN: the files, the shortcut and the uninstall entry.
check_installed() {
    local when=$1 files shortcut total estimate
    files=$(cd "$install_dir" 2>/dev/null && ls -A | LC_ALL=C sort | tr '\n' ' ')
    [ "$files" = "LICENSE Uninstall.exe quorvel.exe " ] ||
        fail "$when: Program Files\\Quorvel holds '$files'"
    cmp -s "$install_dir/quorvel.exe" "$portable/quorvel.exe" ||
        fail "$when: the installed quorvel.exe is not the one in the zip"
    cmp -s "$install_dir/LICENSE" "$source/LICENSE" || fail "$when: the installed LICENSE differs"

    local shortcuts
    mapfile -t shortcuts < <(find "$drive" -path '*/Start Menu/Programs/*' -name '*.lnk')
    shortcut=$(printf '%s\n' "${shortcuts[@]}" | grep '/Quorvel/Quorvel\.lnk$')
    # The uninstaller's, named in the installer's language: English in a new prefix.
    [ "${#shortcuts[@]}" -eq 2 ] && [ -n "$shortcut" ] &&
        printf '%s\n' "${shortcuts[@]}" | grep -q '/Quorvel/Uninstall Quorvel\.lnk$' ||
        fail "$when: shortcuts in the Start menu: ${shortcuts[*]}"
    if [ -n "$shortcut" ]; then
        local lnk
        lnk=$(hex_bytes "$shortcut")
        grep -qF -- "$(utf16le_hex "$description")" <<<"$lnk" ||
            fail "$when: the shortcut's comment is not the description"
        grep -qF -- "$(utf16le_hex 'C:\Program Files\Quorvel\quorvel.exe')" <<<"$lnk" ||
            fail "$when: the shortcut takes its icon from elsewhere"
        grep -qF -- "$(printf %s 'C:\Program Files\Quorvel\quorvel.exe' | hex_bytes)" <<<"$lnk" ||
            fail "$when: the shortcut does not start C:\\Program Files\\Quorvel\\quorvel.exe"
    fi

    declare -A want=(
        [DisplayName]=Quorvel [DisplayVersion]=$version [Publisher]="Quorvel developers"
        [DisplayIcon]='C:\Program Files\Quorvel\quorvel.exe'
        [UninstallString]='"C:\Program Files\Quorvel\Uninstall.exe"'
    )
    local key got
    for key in "${!want[@]}"; do
        got=$(reg_value "$uninstall_key" "$key")
        [ "$got" = "${want[$key]}" ] || fail "$when: uninstall entry $key is '$got', want '${want[$key]}'"
    done
    # Estimated size in KiB, within a KiB per file of what is there.
    total=$(cat "$install_dir"/* 2>/dev/null | wc -c)
    estimate=$(reg_value "$uninstall_key" EstimatedSize)
    if [[ $estimate =~ ^0x[0-9a-fA-F]+$ ]] &&
        ((estimate * 1024 >= total - 3 * 1024 && estimate * 1024 <= total + 3 * 1024)); then
        pass "$when: EstimatedSize $((estimate)) KiB for $total bytes"
    else
        fail "$when: EstimatedSize is '$estimate' for $total bytes"
    fi
    [ "$(grep -c '^"DisplayName"="Quorvel"$' "$out_dir/$when.reg")" -eq 1 ] ||
        fail "$when: not exactly one uninstall entry named Quorvel"
    pass "$when: files, shortcut and uninstall entry checked"
}

run_windows "$installer" /S || fail "the installer ended with status $?"
snapshot "$out_dir/installed"
check_installed installed
window_looks_up installed 'C:\Program Files\Quorvel\quorvel.exe'

# Installing again removes the installed copy first: a value that an older version
# wrote into the uninstall entry goes with it.
wine reg add "$uninstall_key" /v OlderVersionValue /d 1 /f >/dev/null 2>&1 ||
    fail "could not add a value to the uninstall entry"
run_windows "$installer" /S || fail "installing again ended with status $?"
snapshot "$out_dir/reinstalled"
check_installed reinstalled
grep -q '^"OlderVersionValue"=' "$out_dir/reinstalled.reg" &&
    fail "installing again kept the old uninstall entry instead of removing the old copy"

# The uninstaller copies itself to Temp and returns at once; run_windows waits for it.
run_windows 'C:\Program Files\Quorvel\Uninstall.exe' /S || fail "the uninstaller ended with status $?"
wait_until 30 test ! -e "$install_dir" || fail "Program Files\\Quorvel is still there"
snapshot "$out_dir/removed"
diff -u "$out_dir/before.files" "$out_dir/removed.files" >"$out_dir/files.diff" &&
    pass "uninstalled: C: is as before (Temp aside)" ||
    fail "uninstall left files or removed others:"$'\n'"$(cat "$out_dir/files.diff")"
diff -u "$out_dir/before.reg" "$out_dir/removed.reg" >"$out_dir/registry.diff" &&
    pass "uninstalled: HKLM and HKCU are as before" ||
    fail "uninstall left registry changes:"$'\n'"$(head -n 40 "$out_dir/registry.diff")"
echo "left in Temp, where NSIS's uninstaller runs a copy of itself from:"
(cd "$drive/users" && find . -path './*/Temp/*' | sed 's/^/  /')

window_looks_up portable "$portable/quorvel.exe" "$portable"

# --- in Chinese ----------------------------------------------------------------------
# On a Windows in Simplified Chinese: the installer's window, kept as installer-zh-CN.png
# and drawn with a CJK face as Windows draws it; the uninstall shortcut named in Chinese,
# and removed again by the uninstaller.
chinese=(env LC_ALL=zh_CN.UTF-8)
installer_window() { find_window 'Quorvel'; }
installer_shown() { [ -n "$(installer_window)" ]; }
quorvel_links() {
    find "$drive" -path '*/Start Menu/Programs/Quorvel/*' -name '*.lnk' -printf '%f\n' |
        LC_ALL=C sort | paste -sd '|'
}
if ! build_locales zh_CN.UTF-8; then
    fail "localedef could not build zh_CN.UTF-8: $(tail -n 3 "$work/localedef.log")"
elif ! target_link_cjk_faces; then
    fail "the prefix's dialog faces could not be linked: $(tail -n 3 "$work/wine-reg.log")"
else
    "${chinese[@]}" wine "$installer" >"$out_dir/installer-zh-CN.log" 2>&1 &
    started+=("$!")
    if wait_until 60 installer_shown; then
        sleep 2 # its first page drawn in full
        import -window "$(installer_window)" "$out_dir/installer-zh-CN.png" &&
            pass "the installer's window in Chinese: $out_dir/installer-zh-CN.png" ||
            fail "no screenshot of the installer's window"
    else
        fail "the installer's window did not appear in Chinese"
    fi
    timeout 20 wineserver -k
    stop_process "${started[-1]}"

    "${chinese[@]}" wine "$installer" /S
    wine_settle
    links=$(quorvel_links)
    [ "$links" = 'Quorvel.lnk|卸载 Quorvel.lnk' ] && pass "in Chinese: the shortcuts $links" ||
        fail "in Chinese: the Start menu's Quorvel folder holds '$links'"
    "${chinese[@]}" wine 'C:\Program Files\Quorvel\Uninstall.exe' /S
    wine_settle
    wait_until 30 test ! -e "$install_dir" || fail "in Chinese: Program Files\\Quorvel is still there"
    links=$(quorvel_links)
    [ -z "$links" ] && pass "in Chinese: the uninstaller removed both shortcuts" ||
        fail "in Chinese: left in the Start menu: $links"
fi

finish
