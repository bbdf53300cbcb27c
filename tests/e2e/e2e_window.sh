#!/usr/bin/env bash
# Drives the real Quorvel window on a private Xvfb display the way a person would: keys
# through xdotool, a real ibus + libpinyin input method, results read back through the
# clipboard. Prints PASS/FAIL per check; exits non-zero if any check failed.
#
# Usage: e2e_window.sh QUORVEL_BINARY OUTPUT_DIR
#
# There is no window manager: the script hands the window the X input focus itself, as a
# window manager would when the window maps.
set -uo pipefail

quorvel=${1:?usage: e2e_window.sh QUORVEL_BINARY OUTPUT_DIR}
out_dir=${2:?usage: e2e_window.sh QUORVEL_BINARY OUTPUT_DIR}
mkdir -p "$out_dir"
screenshot=$out_dir/quorvel-e2e.png
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
title='^Quorvel :-\)$'
screen_w=1024 screen_h=768

# xdotool reads the characters it types through the locale; the comparisons are UTF-8.
export LC_ALL=C.UTF-8
# A throw-away home: ibus, dconf and libpinyin start from their defaults on every run,
# and nothing of the user's own configuration leaks in or is changed.
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
    XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING QT_IM_MODULE \
    QT_IM_MODULES XMODIFIERS IBUS_ADDRESS WAYLAND_DISPLAY

started=() # pids of everything this script started, ended in reverse order on exit

descendants() {
    local child
    for child in $(pgrep -P "$1"); do
        descendants "$child"
        echo "$child"
    done
}

alive() { ps -o stat= -p "$1" | grep -qv '^Z'; }
all_gone() {
    local pid
    for pid; do
        ! alive "$pid" || return 1
    done
}

stop_process() {
    local pid=$1 victims
    if kill -0 "$pid" 2>/dev/null; then
        # Processes spawned on our behalf (ibus components) are children of the ones we
        # started: end them first, by their ids, so that their parent still reaps them.
        mapfile -t victims < <(descendants "$pid")
        if ((${#victims[@]})); then
            kill "${victims[@]}" 2>/dev/null
            wait_until 3 all_gone "${victims[@]}" || kill -9 "${victims[@]}" 2>/dev/null
        fi
        kill "$pid" 2>/dev/null
        wait_until 5 all_gone "$pid" || kill -9 "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    forget "$pid"
}

# Once reaped, a pid may be reused by someone else's process: never signal it again.
forget() {
    local i
    for i in "${!started[@]}"; do
        [ "${started[i]}" != "$1" ] || unset 'started[i]'
    done
}

cleanup() {
    local pids=("${started[@]}") i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        stop_process "${pids[i]}"
    done
    rm -rf "$work"
}
trap cleanup EXIT

# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds or time runs out.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

passed=0 failed=0 check_name='' problems=()
begin_check() {
    check_name=$1
    problems=()
}
problem() { problems+=("$*"); }
end_check() {
    if ((${#problems[@]})); then
        echo "FAIL $check_name"
        printf '       %s\n' "${problems[@]}"
        failed=$((failed + 1))
    else
        echo "PASS $check_name"
        passed=$((passed + 1))
    fi
}
finish() {
    echo "e2e_window: $passed passed, $failed failed"
    exit $((failed > 0))
}

# --- X server and session bus -------------------------------------------------------

# -displayfd: the server picks a free display itself and writes its number once ready.
Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -dpi 96 -nolisten tcp -noreset \
    3>"$work/display" 2>"$work/xvfb.log" &
started+=("$!")
if ! wait_until 20 grep -qs '^[0-9]\+$' "$work/display"; then
    echo "FAIL Xvfb did not start:"
    cat "$work/xvfb.log"
    exit 1
fi
DISPLAY=:$(cat "$work/display")
export DISPLAY

# A private session bus: without one Qt and ibus would autolaunch a bus that outlives us.
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" 2>/dev/null &
started+=("$!")
if ! wait_until 20 grep -qs '^unix:' "$work/bus"; then
    echo "FAIL dbus-daemon did not start"
    exit 1
fi
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
echo "Xvfb on $DISPLAY (${screen_w}x${screen_h}), private session bus, no window manager"

# Every Chinese character this script types with xdotool, bound before Quorvel starts.
if ! python3 "$here/bind_keysyms.py" 字中国; then
    echo "FAIL could not bind the characters to type to keycodes"
    exit 1
fi

# --- Driving and reading the window -------------------------------------------------

quorvel_pid='' window=''
# start_quorvel LOG [VAR=VALUE...]: runs the program, waits for its window, focuses it.
start_quorvel() {
    local log=$1
    shift
    env "$@" "$quorvel" >"$log" 2>&1 &
    quorvel_pid=$!
    started+=("$quorvel_pid")
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "$title" | head -n 1)
    [ -n "$window" ] || return 1
    timeout 10 xdotool windowfocus --sync "$window"
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_is_not() { [ "$(clipboard)" != "$1" ]; }

# copy_after WAIT KEYS...: presses KEYS then Ctrl+C in the focused box and sets $copied to
# what reached the clipboard. A box with nothing selected copies nothing: then, after
# WAIT seconds with the clipboard unchanged, $copied is empty.
copied=''
copy_after() {
    local wait=$1 marker="nothing-copied-$RANDOM$RANDOM" holder
    shift
    printf %s "$marker" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    holder=$!
    started+=("$holder")
    if ! wait_until 5 clipboard_is "$marker"; then
        copied='<the clipboard could not be set>'
        return
    fi
    xdotool key --delay 40 "$@" ctrl+c
    if wait_until "$wait" clipboard_is_not "$marker"; then
        copied=$(clipboard)
    else
        copied=''
    fi
    stop_process "$holder"
}

# expect_copy LABEL WANT KEYS...: reads the focused box after KEYS and compares.
expect_copy() {
    local label=$1 want=$2 wait=8
    shift 2
    [ -n "$want" ] || wait=2
    copy_after "$wait" "$@"
    [ "$copied" = "$want" ] || problem "$label: got '$copied', want '$want'"
}
# Text1 has the focus. Copying without Ctrl+A first proves the whole text is selected.
expect_text1_selected() { expect_copy "Text1 (selected part)" "$1"; }
expect_text1() { expect_copy "Text1" "$1" ctrl+a; }
# Tab to Text2 and Shift+Tab back: each selects the whole box, which a look-up leaves
# selected anyway, so reading Text2 leaves Text1 as it was.
expect_text2() {
    expect_copy "Text2" "$1" Tab ctrl+a
    xdotool key shift+Tab
}

quorvel_gone() { ! kill -0 "$quorvel_pid" 2>/dev/null; }
click_at() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

# check_command2_ends NAME: clicks Command2 at its centre; the program must exit 0 soon.
check_command2_ends() {
    begin_check "$1"
    click_at 164 80
    if wait_until 5 quorvel_gone; then
        wait "$quorvel_pid"
        local status=$?
        forget "$quorvel_pid"
        ((status == 0)) || problem "exit status $status, want 0"
    else
        problem "still running 5 s after the click"
        stop_process "$quorvel_pid"
    fi
    end_check
}

# --- The window without an input method ---------------------------------------------

if ! start_quorvel "$work/quorvel.log"; then
    echo "FAIL Quorvel's window did not appear:"
    cat "$work/quorvel.log"
    exit 1
fi

begin_check "window: 227x123 client area, centred, fixed size"
geometry=$(xwininfo -id "$window")
x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$geometry")
y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$geometry")
w=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
h=$(sed -n 's/^ *Height: *//p' <<<"$geometry")
[ "${w}x${h}" = 227x123 ] || problem "client area ${w}x${h}, want 227x123"
# Centred within 2 px: 2*x must be within 4 of screen - width.
dx=$((2 * x - (screen_w - w))) dy=$((2 * y - (screen_h - h)))
((dx >= -4 && dx <= 4 && dy >= -4 && dy <= 4)) ||
    problem "at ($x,$y) on ${screen_w}x${screen_h}, not centred"
hints=$(xprop -id "$window" WM_NORMAL_HINTS)
grep -q 'program specified minimum size: 227 by 123$' <<<"$hints" ||
    problem "no minimum size 227 by 123 in WM_NORMAL_HINTS: $hints"
grep -q 'program specified maximum size: 227 by 123$' <<<"$hints" ||
    problem "no maximum size 227 by 123 in WM_NORMAL_HINTS: $hints"
end_check

import -window "$window" "$work/before.png"

begin_check "typing 字 right after start: found"
xdotool type --delay 80 字
expect_text1_selected 字
expect_text2 字:6划
end_check

begin_check "screenshot shows the result"
import -window "$window" "$screenshot"
size=$(identify -format '%wx%h' "$screenshot" 2>&1)
[ "$size" = 227x123 ] || problem "screenshot is $size, want 227x123"
# Text2's area must have changed from the empty box at start.
convert "$work/before.png" -crop 89x33+80+16 +repage "$work/text2-before.png"
convert "$screenshot" -crop 89x33+80+16 +repage "$work/text2-after.png"
changed=$(compare -metric AE "$work/text2-before.png" "$work/text2-after.png" null: 2>&1)
if ! [[ $changed =~ ^[0-9]+$ ]] || ((changed <= 30)); then
    problem "Text2's area barely changed ($changed pixels)"
fi
end_check

begin_check "a letter is not in the table: Text1 emptied"
xdotool type --delay 80 a
expect_text1 ''
expect_text2 ''
end_check

begin_check "a digit is kept and selected, no result"
xdotool type --delay 80 5
expect_text1_selected 5
expect_text2 ''
end_check

begin_check "auto look-up off (Check1): nothing until Return, then 中:4划"
click_at 191 31 # Check1
click_at 48 32  # back into Text1
xdotool key ctrl+a
xdotool type --delay 80 中国
expect_text1 中国
expect_text2 '' # auto look-up would have shown a result by now
xdotool key End # drop the selection: the look-up itself must select
xdotool key Return
expect_text1_selected 中国
expect_text2 中:4划
end_check

check_command2_ends "Command2 ends the program with status 0"

# --- A real Chinese input method: ibus with libpinyin -------------------------------

begin_check "ibus with the libpinyin engine is ready"
# Pin what decides the first candidate, so zhongguo and nihao commit 中国 and 你好 on
# every machine; the fresh home already means no learnt phrases.
pinyin=com.github.libpinyin.ibus-libpinyin.libpinyin
settings=(
    "org.freedesktop.ibus.general preload-engines ['libpinyin']"
    "org.freedesktop.ibus.general use-global-engine true"
    "org.freedesktop.ibus.general embed-preedit-text true"
    "$pinyin init-chinese true"
    "$pinyin init-simplified-chinese true"
    "$pinyin init-full false"
    "$pinyin double-pinyin false"
    "$pinyin fuzzy-pinyin false"
    "$pinyin dynamic-adjust false"
    "$pinyin emoji-candidate false"
    "$pinyin english-candidate false"
    "$pinyin suggestion-candidate false"
    "$pinyin enable-cloud-input false"
    "$pinyin lua-extension false"
)
for setting in "${settings[@]}"; do
    read -r schema key value <<<"$setting"
    gsettings set "$schema" "$key" "$value" 2>>"$work/gsettings.log" ||
        problem "gsettings set $setting failed: $(tail -n 1 "$work/gsettings.log")"
done
# Not daemonized, so it stays our child; Qt reaches it over D-Bus, XIM is not needed.
ibus-daemon --replace --panel=disable --emoji-extension=disable --verbose \
    >"$work/ibus.log" 2>&1 &
ibus_pid=$!
started+=("$ibus_pid")
# `ibus engine NAME` exits 1 even on success (it then fails to run setxkbmap for an engine
# without a layout), so ask which engine is set instead.
engine_is_set() {
    ibus engine libpinyin >/dev/null 2>&1
    [ "$(ibus engine 2>/dev/null)" = libpinyin ]
}
engine_set_or_daemon_gone() { engine_is_set || ! kill -0 "$ibus_pid" 2>/dev/null; }
if ! wait_until 30 engine_set_or_daemon_gone || ! engine_is_set; then
    problem "ibus did not take the libpinyin engine within 30 s (or ibus-daemon ended)"
    problem "ibus engines: $(ibus list-engine --name-only 2>&1 | tr '\n' ' ')"
    problem "ibus-daemon log: $(tail -n 5 "$work/ibus.log" | tr '\n' ' ')"
fi
end_check
ibus_ready=$((${#problems[@]} == 0))

# ibus names the input context that has the focus: a new one once Quorvel's takes it.
ibus_address=$(ibus address 2>/dev/null)
focused_context() {
    gdbus call --address "$ibus_address" --dest org.freedesktop.IBus \
        --object-path /org/freedesktop/IBus --method org.freedesktop.IBus.CurrentInputContext \
        2>/dev/null
}
context_before=$(focused_context)
context_moved() {
    local now
    now=$(focused_context)
    [ -n "$now" ] && [ "$now" != "$context_before" ]
}

begin_check "pinyin: zhongguo + space commits 中国, result 中:4划"
if ((!ibus_ready)); then
    problem "not run: ibus is not ready"
elif ! start_quorvel "$work/quorvel-ibus.log" QT_IM_MODULE=ibus; then
    problem "Quorvel's window did not appear: $(tr '\n' ' ' <"$work/quorvel-ibus.log")"
elif ! wait_until 10 context_moved; then
    problem "ibus never saw Quorvel's input context take the focus"
else
    xdotool type --delay 80 zhongguo
    xdotool key space
    expect_text1_selected 中国
    expect_text2 中:4划
fi
end_check
ime_ready=$((${#problems[@]} == 0))

# The trap: the second composition begins while the look-up has just selected the first
# result. The first key's preedit replaces that selection; if the look-up it triggers
# disturbs the focus, selection or text, ibus resets and drops the letter (nihao -> ihao).
# So nothing between the two words may move the focus; Ctrl+C alone waits for the first.
begin_check "pinyin: second word typed over the selected result: nihao -> 你好, 你:7划"
if ((ime_ready)); then
    xdotool type --delay 80 zhongguo
    xdotool key space
    expect_text1_selected 中国
    xdotool type --delay 80 nihao
    xdotool key space
    expect_text1_selected 你好
    expect_text2 你:7划
else
    problem "not run: the first word failed"
fi
end_check

if ((ime_ready)); then
    check_command2_ends "Command2 ends the program under ibus with status 0"
fi
if ((failed)); then
    echo "--- ibus-daemon log (tail)"
    tail -n 20 "$work/ibus.log"
    echo "--- Quorvel logs"
    cat "$work/quorvel.log" "$work/quorvel-ibus.log" 2>/dev/null
fi
finish
