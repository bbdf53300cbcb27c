#!/usr/bin/env bash
# What a screen reader gets from the Qt program: on a private Xvfb display and session
# bus with its own accessibility bus, the program runs with its AT-SPI bridge on, and
# atspi_check.py reads and drives it from outside as Orca would.
#
# Usage: screen_reader_linux.sh PROGRAM
set -uo pipefail

program=${1:?usage: screen_reader_linux.sh PROGRAM}
[ -f "$program" ] || {
    echo "FAIL no program at $program"
    exit 1
}
program=$(realpath "$program")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

source "$here/../e2e/session.sh"
source "$here/../e2e/drive.sh"
source "$here/../e2e/target_linux.sh"

# atspi_check.py prints the summary; a set-up that fails stops with a FAIL line.
finish() { exit $((failed > 0)); }

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
# Asking for its address starts the accessibility bus (at-spi-bus-launcher), a child of
# the session bus that ends with it.
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress >"$work/a11y-bus" 2>&1 ||
    fatal "no accessibility bus (at-spi2-core):" "$work/a11y-bus"
bind_characters 字 || fatal "could not bind 字 to a keycode"
target_setup
start_quorvel "$work/quorvel.log" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ||
    fatal "Quorvel's window did not appear:" "$work/quorvel.log"

# Debian's own Python, for which python3-pyatspi is packaged.
/usr/bin/python3 "$here/atspi_check.py" "$browser_log" "$author_address"
