#!/usr/bin/env bash
# Sets up and builds Quorvel, then runs it. Without a display it opens the window on a
# virtual X server, saves a screenshot and ends.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build_preset default

program=$QUORVEL_BUILD/quorvel
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

screenshot=$QUORVEL_BUILD/quorvel-screenshot.png
xvfb-run --auto-servernum --server-args="-screen 0 640x480x24" bash -c '
    "$1" & app=$!
    xdotool search --sync --onlyvisible --name "^Quorvel :-\)$" >/dev/null
    sleep 1
    import -window root "$2"
    kill "$app"
' _ "$program" "$screenshot"
echo "No display: Quorvel ran on a virtual X server. Screenshot: $screenshot"
