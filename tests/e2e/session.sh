# The parts of the end-to-end run that do not depend on the build under test: a private
# Xvfb display and session bus, process bookkeeping, checks, ibus, typing and reading the
# boxes back through the clipboard. Sourced by e2e_window.sh; a target file then says how
# its program starts and what differs about it (see target_linux.sh, target_wine.sh).

# xdotool reads the characters it types through the locale; the comparisons are UTF-8.
export LC_ALL=C.UTF-8
# A throw-away home: ibus, dconf, libpinyin and Wine start from their defaults on every
# run, and nothing of the user's own configuration leaks in or is changed.
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
    XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$work/bin"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# ibus's GTK parts would otherwise start an accessibility bus of their own.
export NO_AT_BRIDGE=1 GTK_A11Y=none
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING QT_IM_MODULE \
    QT_IM_MODULES XMODIFIERS IBUS_ADDRESS WAYLAND_DISPLAY

# Opening the author's page must not start a browser: this stand-in records the address.
browser_log=$work/xdg-open.log
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$browser_log" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

started=() # pids of everything this script started, ended in reverse order on exit
cleanup_hooks=()

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
    local pids=("${started[@]}") i hook
    # Target hooks first (wineserver -k): they still need the X server.
    for hook in "${cleanup_hooks[@]}"; do
        "$hook"
    done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        stop_process "${pids[i]}"
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

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
    check_started=$SECONDS
}
problem() { problems+=("$*"); }
end_check() {
    local took=$((SECONDS - check_started))
    if ((${#problems[@]})); then
        echo "FAIL $check_name (${took} s)"
        printf '       %s\n' "${problems[@]}"
        failed=$((failed + 1))
    else
        echo "PASS $check_name (${took} s)"
        passed=$((passed + 1))
    fi
}
# fatal MESSAGE [FILE]: the run cannot go on; shows FILE (a log) if given.
fatal() {
    echo "FAIL $1"
    [ -z "${2:-}" ] || sed 's/^/       /' "$2"
    failed=$((failed + 1))
    finish
}
finish() {
    echo "e2e_window ($target): $passed passed, $failed failed in $SECONDS s;" \
        "slowest copy to reach X: $slowest_copy_ms ms"
    exit $((failed > 0))
}

# --- X server and session bus -------------------------------------------------------

screen_w=1024 screen_h=768

# A display number well away from the ones people and other scripts use (:0, :1, :99):
# Xvfb refuses a number whose lock another server holds, and then the next one is tried.
start_xvfb() {
    local attempt display
    for attempt in 1 2 3 4 5 6 7 8; do
        display=$((200 + RANDOM % 700))
        : >"$work/display"
        Xvfb ":$display" -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -dpi 96 \
            -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
        local pid=$!
        if wait_until 20 grep -qs '^[0-9]\+$' "$work/display"; then
            started+=("$pid")
            export DISPLAY=:$display
            return 0
        fi
        stop_process "$pid"
    done
    return 1
}

start_session_bus() {
    # Without one, Qt, ibus and Wine's dbus users would autolaunch a bus that outlives us.
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" 2>/dev/null &
    started+=("$!")
    wait_until 20 grep -qs '^unix:' "$work/bus" || return 1
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# --- ibus with the libpinyin engine -------------------------------------------------

# start_ibus [IBUS-DAEMON OPTION...]: problems go to the current check.
ibus_pid=''
start_ibus() {
    # Pin what decides the first candidate, so zhongguo and nihao commit 中国 and 你好 on
    # every machine; the fresh home already means no learnt phrases.
    local pinyin=com.github.libpinyin.ibus-libpinyin.libpinyin setting schema key value
    local settings=(
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
    # Not daemonized, so it stays our child and its components stay its children.
    ibus-daemon --replace --panel=disable --emoji-extension=disable --verbose "$@" \
        >"$work/ibus.log" 2>&1 &
    ibus_pid=$!
    started+=("$ibus_pid")
    if ! wait_until 30 engine_set_or_daemon_gone || ! engine_is_set; then
        problem "ibus did not take the libpinyin engine within 30 s (or ibus-daemon ended)"
        problem "ibus engines: $(ibus list-engine --name-only 2>&1 | tr '\n' ' ')"
        problem "ibus-daemon log: $(tail -n 5 "$work/ibus.log" | tr '\n' ' ')"
        return 1
    fi
    ibus_address=$(ibus address 2>/dev/null)
}
# `ibus engine NAME` exits 1 even on success (it then fails to run setxkbmap for an engine
# without a layout), so ask which engine is set instead.
engine_is_set() {
    ibus engine libpinyin >/dev/null 2>&1
    [ "$(ibus engine 2>/dev/null)" = libpinyin ]
}
engine_set_or_daemon_gone() { engine_is_set || ! kill -0 "$ibus_pid" 2>/dev/null; }

# ibus names the input context that has the focus: a new one once the program's takes it.
focused_context() {
    gdbus call --address "$ibus_address" --dest org.freedesktop.IBus \
        --object-path /org/freedesktop/IBus --method org.freedesktop.IBus.CurrentInputContext \
        2>/dev/null
}
remember_focused_context() { context_before=$(focused_context); }
context_moved() {
    local now
    now=$(focused_context)
    [ -n "$now" ] && [ "$now" != "$context_before" ]
}

# --- Driving and reading the window -------------------------------------------------

# A pointer left resting on a control shows its tool tip, a window of its own that would
# cover part of a screenshot: keep it in the screen's corner, off the window.
park_pointer() { xdotool mousemove 0 0; }

quorvel_pid='' window=''
# start_quorvel LOG [VAR=VALUE...]: runs the program, waits for its window, focuses it.
start_quorvel() {
    local log=$1
    shift
    park_pointer
    target_run "$@" >"$log" 2>&1 &
    quorvel_pid=$!
    started+=("$quorvel_pid")
    window=''
    # A program that fails to start is reported at once, not after the whole timeout.
    wait_until "$target_start_timeout" window_shown_or_program_gone
    if [ -z "$window" ]; then
        quorvel_gone && echo "(the program ended without a window)" >>"$log"
        return 1
    fi
    timeout 10 xdotool windowfocus --sync "$window"
}
window_shown_or_program_gone() {
    window=$(xdotool search --onlyvisible --name "$target_title" 2>/dev/null | head -n 1)
    [ -n "$window" ] || quorvel_gone
}

# start_quorvel_or_fail LOG [VAR=VALUE...]: as start_quorvel, a problem if it fails.
start_quorvel_or_fail() {
    start_quorvel "$@" && return 0
    problem "the window did not appear: $(tail -n 5 "$1" | tr '\n' ' ')"
    stop_process "$quorvel_pid"
    return 1
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_is_not() { [ "$(clipboard)" != "$1" ]; }

# hold_clipboard TEXT: xclip owns the X clipboard with TEXT until the next copy takes it.
hold_clipboard() {
    printf %s "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    clipboard_holder=$!
    started+=("$clipboard_holder")
    wait_until 5 clipboard_is "$1"
}

# copy_after WAIT KEYS...: presses KEYS then Ctrl+C in the focused box and sets $copied to
# what reached the clipboard. A box with nothing selected copies nothing: then, after
# WAIT seconds with the clipboard unchanged, $copied is empty.
copied=''
copy_after() {
    local wait=$1 marker="nothing-copied-$RANDOM$RANDOM"
    shift
    if ! hold_clipboard "$marker"; then
        copied='<the clipboard could not be set>'
        stop_process "$clipboard_holder"
        return
    fi
    xdotool key --delay 40 "$@" ctrl+c
    local pressed=$EPOCHREALTIME
    if wait_until "$wait" clipboard_is_not "$marker"; then
        copied=$(clipboard)
        note_copy_delay "$pressed"
    else
        copied=''
    fi
    stop_process "$clipboard_holder"
}

# The slowest copy seen, against which a target's wait for "nothing copied" is judged.
slowest_copy_ms=0
note_copy_delay() {
    local now=$EPOCHREALTIME ms
    ms=$(((${now/./} - ${1/./}) / 1000))
    ((ms <= slowest_copy_ms)) || slowest_copy_ms=$ms
}

# expect_copy LABEL WANT KEYS...: reads the focused box after KEYS and compares.
expect_copy() {
    local label=$1 want=$2 wait=8
    shift 2
    [ -n "$want" ] || wait=$target_nothing_copied_after
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
# Positions are in pixels of the client area at 96 dpi; $scale doubles them at 192 dpi.
scale=1
click_at() { xdotool mousemove --window "$window" $(($1 * scale)) $(($2 * scale)) click 1; }

# expect_exit_after WHAT ACTION...: runs ACTION; the program must then exit with status 0.
expect_exit_after() {
    local what=$1 status
    shift
    "$@"
    if wait_until "$target_exit_timeout" quorvel_gone; then
        wait "$quorvel_pid"
        status=$?
        forget "$quorvel_pid"
        ((status == 0)) || problem "exit status $status after $what, want 0"
    else
        problem "still running $target_exit_timeout s after $what"
        stop_process "$quorvel_pid"
    fi
}

# client_geometry: sets x y w h of the window's client area on the screen.
client_geometry() {
    local info
    info=$(xwininfo -id "$window")
    x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/^ *Width: *//p' <<<"$info")
    h=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

# picture_difference IMAGE X Y PICTURE: how far the area of IMAGE at X,Y is from PICTURE,
# as a normalised root-mean-square error (0 for a faithful copy).
picture_difference() {
    local size crop=$work/crop.png
    size=$(identify -format '%wx%h' "$4")
    convert "$1" -crop "${size}+$2+$3" +repage "$crop"
    compare -metric RMSE "$crop" "$4" null: 2>&1 | sed -n 's/.*(\(.*\))$/\1/p'
}

# expect_picture_centred IMAGE LEFT TOP WIDTH HEIGHT PICTURE: the PICTURE file is drawn
# unscaled and centred on the control at LEFT,TOP (pixels) of IMAGE; an odd difference in
# size may put the extra pixel on either side. Both decoders are libjpeg-based, so a
# faithful copy differs by rounding noise at most, a picture one pixel off by about 0.1.
expect_picture_centred() {
    local image=$1 left=$2 top=$3 width=$4 height=$5 picture=$6 pw ph dx dy best=''
    read -r pw ph < <(identify -format '%w %h\n' "$picture")
    local diff
    for dx in $(((width - pw) / 2)) $(((width - pw + 1) / 2)); do
        for dy in $(((height - ph) / 2)) $(((height - ph + 1) / 2)); do
            diff=$(picture_difference "$image" $((left + dx)) $((top + dy)) "$picture")
            [[ $diff =~ ^[0-9.e-]+$ ]] || continue
            awk -v d="$diff" 'BEGIN { exit !(d < 0.04) }' && return 0
            best=$diff
        done
    done
    problem "$(basename "$picture") not centred on the control at $left,$top:" \
        "difference ${best:-unknown}"
}

# The characters xdotool types are bound to keycodes before the program starts.
bind_characters() { python3 "$here/bind_keysyms.py" "$1"; }
