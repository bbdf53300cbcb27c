# Driving the program's window and reading its boxes back through the clipboard, for
# every target; sourced by e2e_window.sh after session.sh, and by the Windows package check.
# The keys, the clipboard and the window's place come from the target's display file.

# The Python helpers lie next to this file, whichever script sources it.
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

quorvel_pid='' window=''
target_copy_retries=0
# What a target adds to a window manager's part when the window maps (target_wine.sh).
target_window_mapped() { :; }
# What a target needs done before each start (target_wine.sh); a failure is the start's.
target_ready_to_start() { :; }
program_dir=. # the folder the program starts in
# start_quorvel LOG [VAR=VALUE...]: runs the program, waits for its window, focuses it.
start_quorvel() {
    local log=$1
    shift
    park_pointer
    target_ready_to_start || {
        echo "(not started: what ran before it did not end)" >>"$log"
        return 1
    }
    (cd "$program_dir" && target_run "$@") >"$log" 2>&1 &
    quorvel_pid=$!
    started+=("$quorvel_pid")
    window=''
    # A program that fails to start is reported at once, not after the whole timeout.
    wait_until "$target_start_timeout" window_shown_or_program_gone
    if [ -z "$window" ]; then
        if quorvel_gone; then
            reap "$quorvel_pid"
            echo "(the program ended without a window, exit status $?)" >>"$log"
        fi
        return 1
    fi
    target_window_mapped
    focus_window
}
window_shown_or_program_gone() {
    window=$(find_window "$target_title")
    [ -n "$window" ] || quorvel_gone
}

# start_quorvel_or_fail LOG [VAR=VALUE...]: as start_quorvel, a problem if it fails.
start_quorvel_or_fail() {
    start_quorvel "$@" && return 0
    problem "the window did not appear: $(tail -n 5 "$1" | tr '\n' ' ')"
    stop_process "$quorvel_pid"
    return 1
}

clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_is_not() { [ "$(clipboard)" != "$1" ]; }

# hold_clipboard TEXT: puts TEXT on the clipboard, held until the next copy takes it.
hold_clipboard() {
    offer_clipboard "$1" &
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
    send_keys "$@" ctrl+c
    local pressed=$EPOCHREALTIME
    if wait_until "$wait" clipboard_is_not "$marker"; then
        copied=$(clipboard)
        note_copy_delay "$pressed"
    else
        copied=''
    fi
    stop_process "$clipboard_holder"
}

# paste_and_copy TEXT KEYS...: puts TEXT on the clipboard, then presses Ctrl+V, KEYS and
# Ctrl+C in one run, and sets $copied to what the copy brought. Nothing else may reach the
# clipboard in between: on Wayland a clipboard changed before the program has handled
# Ctrl+V may be what it pastes. The holder of TEXT ends when the copy replaces it.
paste_and_copy() {
    local text=$1 retries=$target_copy_retries
    shift
    copied=''
    if hold_clipboard "$text"; then
        send_keys ctrl+v "$@" ctrl+c
        ! wait_until 10 all_gone "$clipboard_holder" || copied=$(clipboard)
    else
        copied='<the clipboard could not be set>'
    fi
    stop_process "$clipboard_holder"
    while [ -z "$copied" ] && ((retries-- > 0)); do
        echo "       (nothing reached the clipboard after the paste; Ctrl+C again)"
        copy_after 8
    done
}

# The slowest copy seen, against which a target's wait for "nothing copied" is judged.
slowest_copy_ms=0
note_copy_delay() {
    local now=$EPOCHREALTIME ms
    ms=$(((${now/./} - ${1/./}) / 1000))
    ((ms <= slowest_copy_ms)) || slowest_copy_ms=$ms
}

# expect_copy LABEL WANT KEYS...: reads the focused box after KEYS and compares. A copy that
# never reaches the clipboard is tried again $target_copy_retries times, with Ctrl+C alone.
expect_copy() {
    local label=$1 want=$2 wait=8 retries=$target_copy_retries
    shift 2
    [ -n "$want" ] || wait=$target_nothing_copied_after
    copy_after "$wait" "$@"
    while [ -z "$copied" ] && [ -n "$want" ] && ((retries-- > 0)); do
        echo "       ($label: nothing reached the clipboard; Ctrl+C again)"
        copy_after "$wait"
    done
    [ "$copied" = "$want" ] || problem "$label: got '$copied', want '$want'"
}
# Text1 has the focus. Copying without Ctrl+A first proves the whole text is selected.
expect_text1_selected() { expect_copy "Text1 (selected part)" "$1"; }
expect_text1() { expect_copy "Text1" "$1" ctrl+a; }
# Tab to Text2 and Shift+Tab back: each selects the whole box, which a look-up leaves
# selected anyway, so reading Text2 leaves Text1 as it was.
expect_text2() {
    expect_copy "Text2" "$1" Tab ctrl+a
    send_keys shift+Tab
}

# expect_within SECONDS CHECK ARGS...: runs CHECK until it finds no problem or SECONDS have
# passed; only the last run's problems stand. For what a window shows a moment after it
# appears: a desktop may map it before its first frame is drawn.
expect_within() {
    local deadline=$((SECONDS + $1)) before=${#problems[@]}
    shift
    until "$@"; ((${#problems[@]} == before)); do
        ((SECONDS < deadline)) || return 1
        problems=("${problems[@]:0:before}")
        sleep 0.5
    done
}

quorvel_gone() { ! kill -0 "$quorvel_pid" 2>/dev/null; }
# Sizes and positions are in pixels at 96 dpi; $scale doubles them at 192 dpi.
scale=1

# expect_exit_after WHAT ACTION...: runs ACTION; the program must then exit with status 0.
expect_exit_after() {
    local what=$1 before=${#problems[@]}
    shift
    "$@"
    if ((${#problems[@]} > before)); then # ACTION could not be done, and said why
        stop_process "$quorvel_pid"
        return
    fi
    program_ended "$what" && return
    problem "still running $target_exit_timeout s after $what"
    print_stacks "$quorvel_pid" "$what"
    stop_process "$quorvel_pid"
}

# program_ended WHAT: whether the program ends within the time allowed; a problem if it
# ends with a status other than 0.
program_ended() {
    local status
    wait_until "$target_exit_timeout" quorvel_gone || return 1
    reap "$quorvel_pid"
    status=$?
    ((status == 0)) || problem "exit status $status after $1, want 0"
}

# print_stacks PID WHAT: where each thread of a program that should have ended after WHAT
# waits, for the log; gdb's symbol-less frames and its chatter are left out.
print_stacks() {
    local pid
    [ "$target" != wine ] && command -v gdb >/dev/null || return 0
    for pid in "$1" $(descendants "$1"); do
        [ "$(readlink "/proc/$pid/exe")" -ef "$program" ] || continue
        echo "--- the program's threads, still running after $2:"
        timeout 60 gdb -p "$pid" -batch -nx -ex 'thread apply all bt 25' 2>/dev/null |
            grep -E '^(Thread|#)' | grep -v ' in ?? ()' | sed 's/^/    /'
    done
}

# picture_difference IMAGE X Y PICTURE: how far the area of IMAGE at X,Y is from PICTURE,
# as a normalised root-mean-square error (0 for a faithful copy).
picture_difference() {
    local size crop=$work/crop.png
    size=$(identify -format '%wx%h' "$4")
    convert "$1" -crop "${size}+$2+$3" +repage "$crop"
    compare -metric RMSE "$crop" "$4" null: 2>&1 | sed -n 's/.*(\(.*\))$/\1/p'
}

# expect_picture_centred IMAGE LEFT TOP WIDTH HEIGHT PICTURE [LIMIT]: the PICTURE file is
# drawn unscaled and centred on the control at LEFT,TOP (pixels) of IMAGE; an odd difference
# in size may put the extra pixel on either side. Both decoders are libjpeg-based, so a
# faithful copy differs by rounding noise at most, a picture one pixel off by about 0.1.
# LIMIT (0.04) is the largest difference allowed.
expect_picture_centred() {
    local image=$1 left=$2 top=$3 width=$4 height=$5 picture=$6 limit=${7:-0.04}
    local pw ph dx dy best=''
    read -r pw ph < <(identify -format '%w %h\n' "$picture")
    local diff
    for dx in $(((width - pw) / 2)) $(((width - pw + 1) / 2)); do
        for dy in $(((height - ph) / 2)) $(((height - ph + 1) / 2)); do
            diff=$(picture_difference "$image" $((left + dx)) $((top + dy)) "$picture")
            [[ $diff =~ ^[0-9.e-]+$ ]] || continue
            awk -v d="$diff" -v l="$limit" 'BEGIN { exit !(d < l) }' && return 0
            best=$diff
        done
    done
    problem "$(basename "$picture") not centred on the control at $left,$top:" \
        "difference ${best:-unknown}"
}
