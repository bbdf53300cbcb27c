# Helpers sourced by check_windows_packages.sh: a throw-away Wine prefix on a private
# Xvfb display, a snapshot of what a Windows program can leave behind, and the window
# check. Needs common.sh. Everything it starts ends when the shell exits.

# The window check until the end-to-end helpers are shared: start a program, wait for
# its window, type 字 and read the result back through the clipboard.
window_title='^Quorvel :-\)$'

session_pids=() # Xvfb and the programs, ended in reverse order on exit
end_session() {
    local i
    # Only the processes of this prefix: it is ours alone.
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        kill "${session_pids[i]}" 2>/dev/null
        wait "${session_pids[i]}" 2>/dev/null
    done
    session_pids=()
}

# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds or time runs out.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# xvfb_up PID DISPLAY: the server listens, or has ended (lost the race for the number).
xvfb_up() { [ -S "/tmp/.X11-unix/X$2" ] || ! kill -0 "$1" 2>/dev/null; }

# start_session DIR: Xvfb, a home and a fresh 64-bit Wine prefix, all under DIR.
start_session() {
    local dir=$1
    trap end_session EXIT
    mkdir -p "$dir/home"
    # xdotool reads the characters it types through the locale.
    export LC_ALL=C.UTF-8
    # A home of its own: Wine and the X tools write nothing into the user's.
    export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share
    export WINEPREFIX=$dir/prefix WINEDEBUG=-all
    # No Mono or Gecko installer dialogs; no Linux menu entries for the shortcuts made.
    export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
    unset WINEARCH WINESERVER WINELOADER

    # From :71 up, apart from the low numbers that desktops and other tests take first.
    local display
    for display in {71..99}; do
        [ -e "/tmp/.X$display-lock" ] && continue
        Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$dir/xvfb.log" &
        session_pids+=("$!")
        if wait_until 10 xvfb_up "$!" "$display"; then
            break
        fi
        display=''
    done
    [ -n "$display" ] && [ -S "/tmp/.X11-unix/X$display" ] ||
        die "Xvfb did not start: $(cat "$dir/xvfb.log")"
    export DISPLAY=:$display

    wineboot -i >"$dir/wineboot.log" 2>&1 && wineserver -w ||
        die "wineboot failed: $(cat "$dir/wineboot.log")"
    [ -d "$WINEPREFIX/drive_c/Program Files" ] || die "no Program Files in the new prefix"
}

# run_windows PROGRAM ARGS...: runs it under Wine and waits for every process it started.
run_windows() {
    wine "$@"
    local status=$?
    wineserver -w
    return $status
}

# snapshot NAME: what a program may leave on C: (files and folders, Temp aside, which
# is looked at on its own) and in the registry (HKLM\Software, the system environment
# and HKCU), as NAME.files and NAME.reg. Wine's own volatile keys are left out; the
# rest of HKLM\System is Wine's device state, which it rewrites at will.
snapshot() {
    local drive=$WINEPREFIX/drive_c hive
    (cd "$drive" && find . -path './users/*/Temp' -prune -o -print | LC_ALL=C sort) >"$1.files"
    : >"$1.reg"
    for hive in 'HKLM\Software' 'HKLM\System\CurrentControlSet\Control\Session Manager' HKCU; do
        wine reg export "$hive" "$1.hive" /y >/dev/null 2>&1 || die "wine reg export $hive failed"
        iconv -f UTF-16LE -t UTF-8 "$1.hive" | tr -d '\r' |
            awk '/^\[/ { skip = ($0 ~ /\\Wine\\Temporary System Parameters|\\Volatile Environment|\\Session Manager\\Environment\]|\\Dynamic DST/) }
                 !skip' >>"$1.reg"
        rm -f "$1.hive"
    done
    wineserver -w
}

# Text of the value NAME of registry KEY, as `wine reg query` prints it.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; exit }'
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }
clipboard_is_not() { [ "$(clipboard)" != "$1" ]; }

# window_looks_up LABEL PROGRAM [DIR]: starts PROGRAM under Wine (in DIR), waits for its
# window, types 字 and reads the result box; then closes the window with Alt+F4 and
# waits for the program to end. Fails with a message for each step that went wrong.
window_looks_up() {
    local label=$1 program=$2 dir=${3:-.} pid window marker result
    (cd "$dir" && exec wine "$program") >"$work/$label.log" 2>&1 &
    pid=$!
    session_pids+=("$pid")
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "$window_title" | head -n 1)
    if [ -z "$window" ]; then
        fail "$label: no window \"Quorvel :-)\" within 30 s: $(tr '\n' ' ' <"$work/$label.log")"
        return
    fi
    pass "$label: window \"Quorvel :-)\" is up"
    # Without a window manager Wine takes the keyboard only once a click activates the
    # window: this one lands in the entry box (Text1 of the form's layout).
    xdotool mousemove --window "$window" 48 32 click 1
    sleep 0.5
    # The first key after that can be lost: a Shift press, which types nothing, goes
    # first. 字 is not bound beforehand as the end-to-end test does for Qt: Wine reads
    # the keyboard map when it starts and types nothing for a keycode bound before;
    # xdotool's own binding for the moment of the key press it does follow.
    xdotool key shift
    xdotool type --delay 80 字
    sleep 0.5
    # The result box is next in the tab order: select it all and copy it.
    marker="nothing-copied-$RANDOM"
    printf %s "$marker" | xclip -selection clipboard -i 2>/dev/null
    xdotool key --delay 60 Tab ctrl+a ctrl+c
    wait_until 10 clipboard_is_not "$marker"
    result=$(clipboard)
    if [ "$result" = 字:6划 ]; then
        pass "$label: 字 looked up: $result"
    else
        import -window root "$work/$label.png" 2>/dev/null
        fail "$label: the result box shows '$result' after typing 字, want 字:6划" \
            "(screen: $work/$label.png)"
    fi
    # Sent to the focused window: Wine ignores synthetic key events.
    xdotool key alt+F4
    if wait_until 10 eval '! kill -0 "$pid" 2>/dev/null'; then
        wait "$pid" 2>/dev/null
        wineserver -w
    else
        fail "$label: still running 10 s after Alt+F4"
        wineserver -k
    fi
}
