#!/usr/bin/env bash
# Which systems the set-up scripts take for which Debian release: Debian itself, its
# derivatives on a release the scripts know, and the systems they must refuse.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/debian_release.sh"

# Each case: its name, the release it must give (or "refused"), then os-release's lines.
cases=(
    "Debian 12|12|ID=debian|VERSION_ID=\"12\"|VERSION_CODENAME=bookworm"
    "Debian 13|13|ID=debian|VERSION_ID=\"13\"|VERSION_CODENAME=trixie"
    "Debian 13 without a codename|13|ID=debian|VERSION_ID=\"13\""
    "Raspberry Pi OS 32-bit|12|ID=raspbian|ID_LIKE=debian|VERSION_ID=\"12\"|VERSION_CODENAME=bookworm"
    "a derivative on trixie|13|ID=example|ID_LIKE=\"ubuntu debian\"|VERSION_ID=\"25\"|VERSION_CODENAME=trixie"
    "Debian 11|refused|ID=debian|VERSION_ID=\"11\"|VERSION_CODENAME=bullseye"
    "Debian testing or unstable|14|ID=debian|PRETTY_NAME=\"Debian GNU/Linux forky/sid\"|VERSION_CODENAME=forky"
    "Debian unstable under its own name|refused|ID=debian|VERSION_CODENAME=sid"
    "Ubuntu|refused|ID=ubuntu|ID_LIKE=debian|VERSION_ID=\"24.04\"|VERSION_CODENAME=noble"
    "trixie's codename on a system not built on Debian|refused|ID=fedora|VERSION_CODENAME=trixie"
    "no os-release|refused"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for case in "${cases[@]}"; do
    IFS='|' read -ra fields <<<"$case"
    name=${fields[0]} want=${fields[1]}
    file=$work/os-release
    rm -f "$file"
    ((${#fields[@]} > 2)) && printf '%s\n' "${fields[@]:2}" >"$file"
    got=$(debian_release "$file" 2>"$work/message") || got=refused
    if [ "$got" = "$want" ] && { [ "$want" != refused ] || grep -q 'Debian 12' "$work/message"; }; then
        echo "PASS $name: $got"
    else
        echo "FAIL $name: got '$got', want '$want' ($(cat "$work/message"))"
        failed=$((failed + 1))
    fi
done
echo "debian_release: $((${#cases[@]} - failed)) passed, $failed failed"
[ $failed -eq 0 ]
