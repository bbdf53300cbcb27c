#!/usr/bin/env bash
# Compiles the configured Windows resource script with the MinGW-w64 windres, then looks
# in the compiled resource for the version numbers, the UTF-16 version strings in the
# Chinese (PRC) Unicode block, the translation and the icon.
# Usage: check_windows_resource.sh RC_FILE ICON WORK_DIR VERSION DESCRIPTION
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

rc=$1 icon=$2 work=$3 version=$4 description=$5
windres=x86_64-w64-mingw32-windres
need_tools "$windres" x86_64-w64-mingw32-objdump iconv od
[ -f "$rc" ] || die "$rc was not configured"

# windres preprocesses with the MinGW gcc; without one the host's cpp does as well, as
# the script includes no Windows headers.
preprocessor=()
command -v x86_64-w64-mingw32-gcc >/dev/null || preprocessor=(--preprocessor=cpp)

rm -rf "$work" && mkdir -p "$work"
"$windres" "${preprocessor[@]}" -i "$rc" -O coff -o "$work/quorvel_rc.o" 2>"$work/windres.log" ||
    die "windres could not compile $rc: $(cat "$work/windres.log")"
"$windres" "${preprocessor[@]}" -i "$rc" -O res -o "$work/quorvel.res" 2>>"$work/windres.log" ||
    die "windres could not make a .res: $(cat "$work/windres.log")"
x86_64-w64-mingw32-objdump -h "$work/quorvel_rc.o" | grep -q ' \.rsrc ' ||
    fail "the object has no .rsrc section"
pass "windres compiled $(basename "$rc")"

res=$(hex_bytes "$work/quorvel.res")
nul=' 00 00'

# VS_FIXEDFILEINFO: its signature, structure version 1.0, then file and product versions
# as two 32-bit halves each (major<<16|minor, patch<<16|tweak), little-endian.
IFS=. read -r major minor patch tweak <<<"$version"
word() { printf ' %02x %02x' $((10#${1:-0} & 255)) $((10#${1:-0} >> 8)); }
numbers="$(word "$minor")$(word "$major")$(word "$tweak")$(word "$patch")"
fixed=" bd 04 ef fe 00 00 01 00$numbers$numbers"
grep -qF -- "$fixed" <<<"$res" || fail "no fixed file info with version $version"

# A String is its key, NUL, padding to 32 bits, then its value and NUL.
declare -A strings=(
    [CompanyName]="Quorvel developers"
    [FileDescription]=$description
    [FileVersion]=$version
    [InternalName]=quorvel
    [OriginalFilename]=quorvel.exe
    [ProductName]=Quorvel
    [ProductVersion]=$version
)
block_at=$(grep -boF -- "$(utf16le_hex 080404B0)$nul" <<<"$res" | head -n1 | cut -d: -f1)
var_at=$(grep -boF -- "$(utf16le_hex VarFileInfo)$nul" <<<"$res" | head -n1 | cut -d: -f1)
[ -n "$block_at" ] || die "no string block 080404B0 (Chinese PRC, Unicode)"
[ -n "$var_at" ] || die "no VarFileInfo"
for key in "${!strings[@]}"; do
    pattern="$(utf16le_hex "$key")$nul($nul)?$(utf16le_hex "${strings[$key]}")$nul"
    at=$(grep -boE -- "$pattern" <<<"$res" | head -n1 | cut -d: -f1)
    if [ -z "$at" ]; then
        fail "no $key \"${strings[$key]}\" in UTF-16"
    elif [ "$at" -lt "$block_at" ] || [ "$at" -gt "$var_at" ]; then
        fail "$key is outside block 080404B0"
    else
        pass "$key = ${strings[$key]}"
    fi
done
legal=$(utf16le_hex LegalCopyright)$nul
grep -qE -- "$legal($nul)?$(utf16le_hex "Copyright")" <<<"$res" || fail "no LegalCopyright"

# Translation: language 0x0804 and code page 1200, two little-endian 16-bit words.
grep -qE -- "$(utf16le_hex Translation)$nul($nul)? 04 08 b0 04" <<<"$res" ||
    fail "no Translation 0x0804, 1200"

# The icon's picture, as it is in the .ico after its directory, is in the resource.
count=$(od -An -tu2 -j4 -N2 "$icon" | tr -d ' ')
offset=$(od -An -tu4 -j$((6 + 12)) -N4 "$icon" | tr -d ' ')
length=$(od -An -tu4 -j$((6 + 8)) -N4 "$icon" | tr -d ' ')
[ "$count" -ge 1 ] 2>/dev/null || die "$icon is not an icon file"
picture=$(hex_bytes -j"$offset" -N"$length" "$icon")
grep -qF -- "$picture" <<<"$res" || fail "the icon's picture is not in the resource"
pass "icon ($length bytes) and translation"

finish
