#!/usr/bin/env bash
# What a screen reader gets from quorvel.exe through MSAA: under Wine on a private Xvfb
# display, msaa_probe.exe asks the window from another process, as NVDA or Narrator do,
# while xdotool drives it. Prints PASS/FAIL per check.
#
# Usage: screen_reader_wine.sh QUORVEL_EXE MSAA_PROBE_EXE OUTPUT_DIR
set -uo pipefail

usage='usage: screen_reader_wine.sh QUORVEL_EXE MSAA_PROBE_EXE OUTPUT_DIR'
program=${1:?$usage}
probe=${2:?$usage}
out_dir=${3:?$usage}
for file in "$program" "$probe"; do
    [ -f "$file" ] || {
        echo "FAIL no program at $file"
        exit 1
    }
done
program=$(realpath "$program")
summary_name=screen_reader_wine
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/wine_check.sh"

# probe ARGS...: msaa_probe's answer, its errors kept for the report.
probe() { wine "$probe" "$@" 2>>"$work/probe.err"; }

# The line of a control in the last listing, and one of its fields.
listing=''
list_controls() { listing=$(probe controls); }
line_of() { grep -m 1 "^$1"$'\t' <<<"$listing"; }
field() { line_of "$1" | tr '\t' '\n' | sed -n "s/^$2=//p"; }

# expect_control NAME ROLE STATES...: name and role of a control from the last listing,
# and its states: +state present, -state absent.
expect_control() {
    local control=$1 name=$2 role=$3 want states
    shift 3
    [ -n "$(line_of "$control")" ] || {
        problem "$control: not in the listing"
        return
    }
    [ "$(field "$control" name)" = "$name" ] ||
        problem "$control: name '$(field "$control" name)', want '$name'"
    [ "$(field "$control" role)" = "$role" ] ||
        problem "$control: role '$(field "$control" role)', want '$role'"
    states=,$(field "$control" state),
    for want; do
        case $want in
        +*) [[ $states == *,${want#+},* ]] || problem "$control: states $states lack ${want#+}" ;;
        -*) [[ $states != *,${want#-},* ]] || problem "$control: states $states include ${want#-}" ;;
        esac
    done
}
expect_field() {
    [ "$(field "$1" "$2")" = "$3" ] || problem "$1: $2 '$(field "$1" "$2")', want '$3'"
}

# Events: `msaa_probe watch` runs in the background, its lines in $events.
events=$work/events
watch_events() {
    : >"$events"
    wine "$probe" watch "$1" >"$events" 2>>"$work/probe.err" &
    started+=("$!")
    wait_until 20 grep -q '^ready$' "$events" || problem "msaa_probe watch did not start"
}
event_seen() { grep -q "^$1"$'\t'"$2"$'\t'"$3" "$events"; }
expect_event() {
    wait_until 10 event_seen "$@" || problem "no event '$1' from $2 with '$3'"
}
# check1_is checked|unchecked, text2_is TEXT: polled, for actions are posted.
check1_is() {
    list_controls
    local states=,$(field Check1 state),
    if [ "$1" = checked ]; then [[ $states == *,checked,* ]]; else [[ $states != *,checked,* ]]; fi
}
text2_is() {
    list_controls
    [ "$(field Text2 value)" = "$1" ]
}

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
bind_characters 字中 || fatal "could not bind the characters to type to keycodes"
target_setup || fatal "the Wine prefix could not be made" "$work/wineboot.log"
start_quorvel "$work/quorvel.log" || fatal "Quorvel's window did not appear:" "$work/quorvel.log"

begin_check "every control answers with its name, role, states, value and action"
list_controls
[ -n "$listing" ] || problem "no answer: $(tail -n 3 "$work/probe.err")"
expect_control Text1 输入汉字 text +focusable +focused -read-only
expect_control Text2 笔划结果 text +focusable +read-only -focused
expect_control Command1 数笔划 "push button" +focusable +default
expect_control Command2 退出 "push button" +focusable -default
expect_control Check1 即时显示笔划 "check button" +focusable +checked
expect_control Label1 作者的网站 link +linked
expect_field Text2 value ''
expect_field Label1 value "$author_address"
for button in Command1 Command2 Check1 Label1; do
    [ -n "$(field $button action)" ] || problem "$button: no default action"
done
end_check

begin_check "a look-up sets Text2's value and says so"
watch_events 60 # to the end of the run
type_text 字
expect_event value Text2 'name=笔划结果.*value=字:6划'
list_controls
expect_field Text1 value 字
expect_field Text2 value 字:6划
end_check

begin_check "Tab and Shift+Tab: each focus move is announced"
send_keys Tab
expect_event focus Text2 'name=笔划结果.*state=focused'
send_keys shift+Tab
expect_event focus Text1 'name=输入汉字.*state=focused'
end_check

begin_check "Check1: a click unchecks it and says so; its default action checks it again"
click_at 191 31
expect_event state Check1 'name=即时显示笔划'
wait_until 5 check1_is unchecked || problem "still checked after a click"
probe do Check1
wait_until 5 check1_is checked || problem "not checked after its default action"
end_check

begin_check "Command1's default action looks up with auto look-up off: 中:4划"
probe do Check1
wait_until 5 check1_is unchecked || problem "Check1 not unchecked by its default action"
click_at 48 32 # back into Text1
send_keys ctrl+a
type_text 中
list_controls
expect_field Text1 value 中
expect_field Text2 value 字:6划 # no look-up yet
probe do Command1
wait_until 5 text2_is 中:4划 ||
    problem "Text2's value '$(field Text2 value)' after Command1's action, want '中:4划'"
end_check

begin_check "Label1's default action hands the author's address to the browser"
probe do Label1
wait_until 15 grep -qsxF "$author_address" "$browser_log" ||
    problem "the browser got '$(tr '\n' ' ' 2>/dev/null <"$browser_log")', want '$author_address'"
quorvel_gone && problem "the program ended after the action"
end_check

begin_check "Command2's default action ends the program with status 0"
expect_exit_after "Command2's default action" probe do Command2
end_check

finish
