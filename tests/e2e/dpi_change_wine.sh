#!/usr/bin/env bash
# After a DPI change quorvel.exe's client area is its exact size at the new DPI, whichever
# way Windows announces the change: a test build that announces it itself
# (dpi_change_driver.cpp) runs under Wine at 144 dpi on a private Xvfb display, and the
# client area is measured on the X server and as the program sees it. Prints PASS/FAIL per
# way of announcing, with the figures.
#
# Usage: dpi_change_wine.sh DPI_CHANGING_QUORVEL_EXE OUTPUT_DIR
set -uo pipefail

usage='usage: dpi_change_wine.sh DPI_CHANGING_QUORVEL_EXE OUTPUT_DIR'
program=${1:?$usage}
out_dir=${2:?$usage}
[ -f "$program" ] || {
    echo "FAIL no program at $program"
    exit 1
}
program=$(realpath "$program")
summary_name=dpi_change_wine
source "$(dirname "${BASH_SOURCE[0]}")/wine_check.sh"

dpi=144
# Twips to pixels at $dpi, rounded as the program rounds them: 341x185.
want=$(((3405 * dpi + 720) / 1440))x$(((1845 * dpi + 720) / 1440))

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
target_setup || fatal "the Wine prefix could not be made" "$work/wineboot.log"
target_set_dpi $dpi || fatal "the prefix's DPI could not be set" "$work/wine-reg.log"

for change in whole-window asked-size; do
    begin_check "$dpi dpi, announced $change: client area $want after the change"
    log=$work/quorvel-$change.log
    if start_quorvel_or_fail "$log" QUORVEL_DPI_CHANGE=$change; then
        if wait_until 10 grep -q '^client area' "$log"; then
            seen=$(sed -n 's/^client area //p' "$log" | tr -d '\r')
            client_geometry
            echo "       $(grep '^suggested' "$log" | tr -d '\r'); client area ${w}x$h on X," \
                "$seen for the program"
            [ "${w}x$h" = "$want" ] || problem "client area ${w}x$h on X, want $want"
            [ "$seen" = "$want" ] || problem "client area $seen for the program, want $want"
        else
            problem "the change was not announced: $(tail -n 3 "$log" | tr '\n' ' ')"
        fi
        expect_exit_after "the close box" close_window
    fi
    end_check
done

finish
