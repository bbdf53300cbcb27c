# The parts of the end-to-end run that do not depend on the build under test or its
# display: a private home and session bus, process bookkeeping, checks and ibus. Sourced by
# e2e_window.sh, with drive.sh (typing, reading the boxes); a target file then says how
# its program starts, on which display (display_x11.sh, display_wayland.sh), and what
# differs about it (target_linux.sh, target_wine.sh, target_wayland.sh). The Windows
# package check starts its installed program through them too (wine_session.sh).

# xdotool and wtype read the characters they type through the locale; the comparisons
# are UTF-8.
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
author_address=https://example.org/quorvel/ # the address Label1 opens
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
    reap "$pid" 2>/dev/null || : # a stopped process's status tells nothing
}

# reap PID: waits for our child PID to end, forgets it and returns its exit status.
reap() {
    local status=0
    wait "$1" || status=$?
    forget "$1"
    return $status
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

source "$(dirname "${BASH_SOURCE[0]}")/../emulation.sh"
# Said once, up front, when checks that prove nothing here will be skipped.
emulation=$(emulation_in_use) && echo "Note: $emulation" || emulation=''
# Read by atspi_check.py.
export QUORVEL_EMULATION=$emulation QUORVEL_EMULATION_NO_CHILD_PROGRAMS=$emulation_no_child_programs

passed=0 failed=0 skipped=0 check_name='' problems=()
begin_check() {
    check_name=$1
    problems=()
    check_started=$SECONDS
}
problem() { problems+=("$*"); }
# skip_check NAME WHY: a check not run because here it would prove nothing.
skip_check() {
    echo "SKIPPED $1: $2"
    skipped=$((skipped + 1))
}
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
    local unrun=''
    ((skipped == 0)) || unrun=", $skipped skipped"
    echo "e2e_window ($target): $passed passed, $failed failed$unrun in $SECONDS s;" \
        "slowest copy to reach the clipboard: $slowest_copy_ms ms"
    # 77, as CTest is told: the test is reported as skipped rather than passed.
    ((failed == 0)) || exit 1
    ((skipped == 0)) || exit 77
    exit 0
}

# build_locales LOCALE...: builds each (zh_CN.UTF-8, ...) from Debian's locale sources
# (package locales) into the work folder, where LOCPATH points what is started from here:
# the machine's own set of locales is left as it is. C.UTF-8 is built into the C library.
build_locales() {
    local locale
    export LOCPATH=$work/locale
    mkdir -p "$LOCPATH"
    for locale; do
        localedef -i "${locale%.UTF-8}" -f UTF-8 "$LOCPATH/$locale" >>"$work/localedef.log" 2>&1 ||
            return 1
    done
}

# --- Session bus --------------------------------------------------------------------

session_bus_pid=''
start_session_bus() {
    # A desktop's display starts the bus before its shell (display_gnome.sh): one is enough.
    [ -z "$session_bus_pid" ] || return 0
    # Without one, Qt, ibus and Wine's dbus users would autolaunch a bus that outlives us.
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" 2>/dev/null &
    session_bus_pid=$!
    started+=("$session_bus_pid")
    wait_until 20 grep -qs '^unix:' "$work/bus" || return 1
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# set_gsettings LOG "SCHEMA KEY VALUE"...: sets each, gsettings' complaints to LOG; names
# each that failed, a line each, and returns 1 if any did.
set_gsettings() {
    local log=$1 setting schema key value status=0
    shift
    for setting; do
        read -r schema key value <<<"$setting"
        gsettings set "$schema" "$key" "$value" 2>>"$log" || {
            echo "gsettings set $setting failed: $(tail -n 1 "$log")"
            status=1
        }
    done
    return $status
}

# --- ibus with the libpinyin engine -------------------------------------------------

# start_ibus [IBUS-DAEMON OPTION...]: problems go to the current check.
ibus_pid=''
start_ibus() {
    # Pin what decides the first candidate, so zhongguo and nihao commit 中国 and 你好 on
    # every machine; the fresh home already means no learnt phrases.
    local pinyin=com.github.libpinyin.ibus-libpinyin.libpinyin
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
    local failed
    failed=$(set_gsettings "$work/gsettings.log" "${settings[@]}") || problem "$failed"
    if ((${ibus_started_by_desktop:-0})); then
        # A desktop's shell starts ibus itself, with the engine of its input sources; the
        # shell ends it.
        desktop_input_method >>"$work/ibus.log" 2>&1 ||
            problem "the desktop's input sources could not be set: $(tail -n 2 "$work/ibus.log")"
        ibus_pid=$shell_pid
    else
        # Not daemonized, so it stays our child and its components stay its children.
        ibus-daemon --replace --panel=disable --emoji-extension=disable --verbose "$@" \
            >"$work/ibus.log" 2>&1 &
        ibus_pid=$!
        started+=("$ibus_pid")
    fi
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
