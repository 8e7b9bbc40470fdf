#!/usr/bin/env bash
# Runs a command inside the current X display with a window manager and system tray (IceWM),
# as on a user's desktop. Used by the test script inside its virtual X server.
set -euo pipefail

icewm >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; wait $wm 2>/dev/null || true' EXIT
# Wait until the window manager has taken over the screen.
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$@"
