#!/usr/bin/env bash
# Makes the Wine prefix that the Windows build's tests copy (tests/wine_prefix.sh) instead
# of each making its own: as target_wine.sh makes one, on a private Xvfb display with a
# private session bus and home. It is left in OUTPUT_DIR/wineprefix, its file
# .quorvel-made-home (the home it was made under) written last, once it is complete.
#
# Usage: make_wine_prefix.sh OUTPUT_DIR
set -uo pipefail

out_dir=${1:?usage: make_wine_prefix.sh OUTPUT_DIR}
summary_name=wine_prefix
source "$(dirname "${BASH_SOURCE[0]}")/wine_check.sh"
unset QUORVEL_WINE_PREFIX_TEMPLATE # made, not copied

start_display || fatal "Xvfb did not start" "$display_log"
start_session_bus || fatal "dbus-daemon did not start"
begin_check "a new Wine prefix, for the tests to copy"
if target_setup; then
    printf '%s\n' "$HOME" >"$WINEPREFIX/.quorvel-made-home"
    QUORVEL_E2E_KEEP_PREFIX=1 # wine_end: only its server is ended
else
    problem "wineboot failed: $(tail -n 5 "$work/wineboot.log" | tr '\n' ' ')"
fi
end_check
finish
