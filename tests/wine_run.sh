#!/usr/bin/env bash
# Runs a Windows console program under Wine and exits with its status: the emulator through
# which ctest runs the Windows build's tests.
#
#   tests/wine_run.sh program.exe [arguments...]
#
# WINEPREFIX names the prefix (the tests set one inside their build folder); it is created
# on first use, which takes Wine half a minute or more, once, or copied in seconds from
# QUORVEL_WINE_PREFIX_TEMPLATE where the tests made one (wine_prefix.sh). No display is
# used: the tests are console programs, and without DISPLAY Wine opens no window of its own.
set -euo pipefail

[ $# -ge 1 ] || { echo "usage: $0 program.exe [arguments...]" >&2; exit 2; }

source "$(dirname "${BASH_SOURCE[0]}")/wine_path.sh"
source "$(dirname "${BASH_SOURCE[0]}")/wine_prefix.sh"
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/wine-prefix}
export WINEDEBUG=-all
# No Mono or Gecko installer: nothing here needs .NET or a browser engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The first start builds the prefix. Parallel tests wait on the lock instead of booting
# the same prefix twice; a prefix left half-built by an interrupted boot is built anew.
ready="$WINEPREFIX/.quorvel-ready"
if [ ! -e "$ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -e "$ready" ]; then
        rm -rf "$WINEPREFIX"
        started=$SECONDS
        if [ -n "${QUORVEL_WINE_PREFIX_TEMPLATE:-}" ]; then
            copy_wine_prefix "$QUORVEL_WINE_PREFIX_TEMPLATE" "$WINEPREFIX" || {
                echo "wine_run.sh: cannot copy the Wine prefix $QUORVEL_WINE_PREFIX_TEMPLATE" >&2
                exit 1
            }
            how="copied from $QUORVEL_WINE_PREFIX_TEMPLATE"
        elif wine wineboot --init >/dev/null 2>&1 && wineserver -w; then
            how=created
        else
            echo "wine_run.sh: cannot create the Wine prefix $WINEPREFIX" >&2
            exit 1
        fi
        touch "$ready"
        echo "wine_run.sh: $how $WINEPREFIX in $((SECONDS - started)) s" >&2
    fi
    exec 9>&-
fi

status=0
wine "$@" || status=$?
exit $status
