# Helpers sourced by check_windows_packages.sh: the end-to-end run's session (a private
# Xvfb display and home, a fresh Wine prefix, cleanup on exit) and its window driving,
# reported through common.sh's pass and fail; and what only the packages need: a snapshot
# of what a Windows program can leave behind, registry values, installers run to the end.
# Set out_dir before sourcing: the prefix goes there. Sourcing it also brings common.sh.

e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../e2e" && pwd)
source "$e2e_dir/session.sh"
source "$e2e_dir/drive.sh"
source "$e2e_dir/target_wine.sh"
# Last: its finish, pass and fail are the ones this check reports with.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# A failed run keeps its prefix to be looked into; it takes hundreds of megabytes else.
keep_prefix_of_failed_run() { ((failures == 0)) || QUORVEL_E2E_KEEP_PREFIX=1; }

# start_session: Xvfb, a session bus and a fresh 64-bit Wine prefix without an input
# method, as a new user's. Everything started ends when the shell exits.
start_session() {
    start_display || die "Xvfb did not start: $(cat "$work/xvfb.log")"
    start_session_bus || die "dbus-daemon did not start"
    bind_characters 字 || die "could not bind 字 to a keycode"
    cleanup_hooks+=(keep_prefix_of_failed_run)
    target_setup || die "wineboot failed: $(cat "$work/wineboot.log")"
    [ -d "$WINEPREFIX/drive_c/Program Files" ] || die "no Program Files in the new prefix"
}

# run_windows PROGRAM ARGS...: runs it under Wine and waits for every process it started.
run_windows() {
    wine "$@"
    local status=$?
    wine_settle
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
    wine_settle
}

# Text of the value NAME of registry KEY, as `wine reg query` prints it.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; exit }'
}

# report_check: the end-to-end check just run, as a pass or a fail of this script.
report_check() {
    if ((${#problems[@]})); then
        local joined
        printf -v joined '%s; ' "${problems[@]}"
        fail "$check_name: ${joined%; }"
    else
        pass "$check_name"
    fi
}

# window_looks_up LABEL PROGRAM [DIR]: starts PROGRAM under Wine (in DIR), waits for its
# window, types 字 and reads the result box; then closes the window with Alt+F4 and
# waits for the program and the rest of the prefix to end.
window_looks_up() {
    # start_quorvel's target_run reads these two.
    local label=$1 program=$2 program_dir=${3:-.}
    begin_check "$label: window \"Quorvel :-)\" is up"
    start_quorvel_or_fail "$out_dir/$label.log"
    report_check
    ((${#problems[@]} == 0)) || return

    begin_check "$label: 字 looked up, 字:6划"
    xdotool type --delay 80 字
    expect_text1_selected 字
    expect_text2 字:6划
    ((${#problems[@]} == 0)) || import -window root "$out_dir/$label.png" 2>/dev/null
    report_check

    begin_check "$label: Alt+F4 ends the program with status 0"
    expect_exit_after Alt+F4 xdotool key alt+F4
    wine_settle || problem "processes of the prefix still running 60 s after"
    report_check
}
