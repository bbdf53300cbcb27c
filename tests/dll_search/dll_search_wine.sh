#!/usr/bin/env bash
# DLL planting under Wine: quorvel.exe in a folder of its own, as in Downloads, beside
# stand-ins for system DLLs (and explorer.exe, which its link starts) that leave
# NAME.loaded there when loaded. With the native DLLs preferred, Wine searches as Windows
# does, the program's folder first. The program must take none of them and work; without
# oleacc or comctl32 it must still run. Prints PASS/FAIL per check.
#
# Usage: dll_search_wine.sh OUTPUT_DIR QUORVEL_EXE MSAA_PROBE_EXE VICTIM_EXE PLANTED_FILE...
set -uo pipefail

usage='usage: dll_search_wine.sh OUTPUT_DIR QUORVEL_EXE MSAA_PROBE_EXE VICTIM_EXE PLANTED_FILE...'
(($# >= 5)) || {
    echo "$usage" >&2
    exit 2
}
out_dir=$1 quorvel=$2 probe=$3 victim=$4
shift 4
for file in "$quorvel" "$probe" "$victim" "$@"; do
    [ -f "$file" ] || {
        echo "FAIL no file at $file"
        exit 1
    }
done
summary_name=dll_search_wine
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/wine_check.sh"

program_dir=$out_dir/Downloads
program=$program_dir/quorvel.exe
rm -rf "$program_dir" && mkdir -p "$program_dir"
cp "$quorvel" "$program" && cp "$victim" "$@" "$program_dir"/
planted=() dlls=()
for file; do
    name=$(basename "$file")
    planted+=("${name%.*}")
    [[ $name != *.dll ]] || dlls+=("${name%.dll}")
done
usual=$WINEDLLOVERRIDES
printf -v natives_first '%s,' "${dlls[@]}"
natives_first="$usual;${natives_first%,}=n,b"

# Markers are named as the loader spelt the DLL's name: OLEACC.loaded, uxtheme.loaded.
markers() { find "$program_dir" -maxdepth 1 -iname '*.loaded' -printf '%f ' | sed 's/ $//'; }
marker_of() { [ -n "$(find "$program_dir" -maxdepth 1 -iname "$1.loaded")" ]; }

# text1_name: Text1's name as a screen reader gets it from the running program, asked
# from another process with the usual DLLs. Loading oleacc is left to the first question.
text1_name() {
    (cd "$work" && wine "$probe" controls 2>>"$work/probe.err") |
        awk -F '\t' '$1 == "Text1" { sub(/^name=/, "", $2); print $2; found = 1 }
                     END { exit !found }'
}

# looks_up LABEL OVERRIDES ANSWERS: starts the program with WINEDLLOVERRIDES=OVERRIDES,
# types 字 and reads 字:6划, asks Text1's name, clicks the author's link and ends the
# program with Alt+F4. ANSWERS is "own" (its name from the layout, 输入汉字) or "windows"
# (what Windows gives any box).
looks_up() {
    local label=$1 overrides=$2 answers=$3 name
    begin_check "$label: window, 字:6划, Text1 named as a screen reader gets it, the link, Alt+F4"
    rm -f "$browser_log"
    if start_quorvel_or_fail "$out_dir/$label.log" WINEDLLOVERRIDES="$overrides"; then
        type_text 字
        expect_text1_selected 字
        expect_text2 字:6划
        if ! name=$(text1_name); then
            problem "no answer to a screen reader: $(tail -n 3 "$work/probe.err" | tr '\n' ' ')"
        elif [ "$answers" = own ] && [ "$name" != 输入汉字 ]; then
            problem "Text1 named '$name' for a screen reader, want its own 输入汉字"
        elif [ "$answers" = windows ] && [ "$name" = 输入汉字 ]; then
            problem "Text1 named 输入汉字 without oleacc"
        fi
        click_at 40 113 # Label1
        wait_until 15 grep -qsxF "$author_address" "$browser_log" ||
            problem "the browser got '$(tr '\n' ' ' 2>/dev/null <"$browser_log")', want the address"
        focus_window
        expect_exit_after Alt+F4 send_keys alt+F4
    fi
    wine_settle || problem "processes of the prefix still running 60 s after"
    end_check
}

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
bind_characters 字 || fatal "could not bind 字 to a keycode"
target_setup || fatal "the Wine prefix could not be made" "$work/wineboot.log"

begin_check "a program with static imports beside them loads ${planted[*]} (the planting works)"
(cd "$program_dir" && WINEDLLOVERRIDES=$natives_first timeout 60 wine "$(basename "$victim")") \
    >"$out_dir/victim.log" 2>&1
wine_settle
for name in "${planted[@]}"; do
    marker_of "$name" || problem "no $name.loaded: $(markers)"
done
end_check
find "$program_dir" -maxdepth 1 -iname '*.loaded' -delete

looks_up "beside planted ${planted[*]}" "$natives_first" own
begin_check "quorvel.exe took none of the planted files"
[ -z "$(markers)" ] || problem "it loaded the planted ones: $(markers)"
end_check

looks_up "without oleacc" "$usual;oleacc=" windows

# Without comctl32 there are no controls (its version 6 draws them); no crash, though.
begin_check "without comctl32: the window opens and Alt+F4 ends the program with status 0"
if start_quorvel_or_fail "$out_dir/without-comctl32.log" WINEDLLOVERRIDES="$usual;comctl32="; then
    expect_exit_after Alt+F4 send_keys alt+F4
fi
wine_settle || problem "processes of the prefix still running 60 s after"
end_check

finish
