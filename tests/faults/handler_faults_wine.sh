#!/usr/bin/env bash
# A fault in a handler of quorvel.exe, under Wine on a private Xvfb display: a test build
# that makes an allocation fail once a given message reaches the window is driven as a
# user and a screen reader drive it. Each time the program must show the run-time error
# message naming the error, and end with status 1 once it is closed. Prints PASS/FAIL per
# check, and keeps a screenshot of each message in OUTPUT_DIR.
#
# Usage: handler_faults_wine.sh FAULTY_QUORVEL_EXE MSAA_PROBE_EXE OUTPUT_DIR
set -uo pipefail

usage='usage: handler_faults_wine.sh FAULTY_QUORVEL_EXE MSAA_PROBE_EXE OUTPUT_DIR'
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
summary_name=handler_faults_wine
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/wine_check.sh"

want_message=$'运行时错误：\n内存不足（std::bad_alloc）'

probe() { wine "$probe" "$@" 2>>"$work/probe.err"; }
# A screen reader asking for every control; its question stays unanswered while the
# message is up, so it runs in the background.
ask_as_screen_reader() {
    probe controls >/dev/null &
    started+=("$!")
}
message_shown() { [ -n "$(find_window '^Quorvel$')" ]; }

# expect_run_time_error SCREENSHOT: the message, read as a screen reader reads it and
# closed with its OK, then the end of the program with status 1.
expect_run_time_error() {
    local text status
    if ! wait_until 20 message_shown; then
        problem "no message box titled Quorvel; the program $(quorvel_gone && echo ended ||
            echo goes on)"
        stop_process "$quorvel_pid"
        return
    fi
    import -window root "$out_dir/$1" || problem "no screenshot"
    text=$(probe message)
    [ "$text" = "$want_message" ] || problem "the message says '$text', want '$want_message'"
    if wait_until "$target_exit_timeout" quorvel_gone; then
        reap "$quorvel_pid"
        status=$?
        ((status == 1)) || problem "exit status $status after the message, want 1"
    else
        problem "still running $target_exit_timeout s after the message was closed"
        stop_process "$quorvel_pid"
    fi
}

# fault_check LABEL FAULT ACTION...: starts the program failing as FAULT says, runs ACTION
# and expects the message and status 1.
fault_check() {
    local label=$1 fault=$2
    shift 2
    begin_check "$label: the run-time error message, then status 1"
    if start_quorvel_or_fail "$work/quorvel-$fault.log" LC_ALL=zh_CN.UTF-8 QUORVEL_FAULT="$fault"; then
        "$@"
        expect_run_time_error "run-time-error-$fault.png"
    fi
    wine_settle || problem "processes of the prefix still running 60 s after"
    end_check
}

paste_text() {
    hold_clipboard "$1" || problem "the clipboard could not be set"
    send_keys ctrl+v
}
# With auto look-up off, so that only the screen reader's question reads the long text.
read_long_text_as_screen_reader() {
    click_at 191 31 # Check1: auto look-up off
    click_at 48 32  # back into Text1
    paste_and_copy "$(printf '%040000d' 0 | tr 0 a)" ctrl+a
    ((${#copied} == 40000)) || problem "Text1 holds ${#copied} characters, want 40000"
    ask_as_screen_reader
}

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
# As on a Windows in Simplified Chinese, from the prefix's making on: the message's button
# in Chinese, and its words in a face that has the ideographs. Every Wine process runs in
# that locale: Wine rewrites the prefix's font substitutes whenever the locale changes.
build_locales zh_CN.UTF-8 || fatal "localedef could not build zh_CN.UTF-8" "$work/localedef.log"
wine() { LC_ALL=zh_CN.UTF-8 command wine "$@"; }
target_setup || fatal "the Wine prefix could not be made" "$work/wineboot.log"
target_link_cjk_faces || fatal "the prefix's dialog faces could not be linked" "$work/wine-reg.log"

fault_check "Text1's change handler (a paste, looked up)" text1-change paste_text abcdefghijklmnopqrst
fault_check "Label1's click handler" label1-click click_at 40 113
fault_check "Text1's subclass procedure (a screen reader asks for its object)" \
    screen-reader-object ask_as_screen_reader
fault_check "Text1's accessible value (a screen reader reads 40,000 characters)" \
    screen-reader-value read_long_text_as_screen_reader

finish
