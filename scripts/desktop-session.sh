#!/usr/bin/env bash
# Runs a command inside the current X display with a window manager and system tray (IceWM),
# as on a user's desktop. Used by the test script inside its virtual X server.
#
# The window manager is kept running for the whole command: should it end, what it printed last
# is shown and it is started again, so one crash does not leave the rest of a suite without one.
set -euo pipefail

log=$(mktemp)
(
  trap 'kill "$pid" 2>/dev/null; exit 0' TERM
  while :; do
    icewm >"$log" 2>&1 &
    pid=$!
    status=0
    wait "$pid" || status=$?
    {
      echo "desktop-session: the window manager ended (status $status); starting it again. It printed:"
      tail -n 20 "$log" | sed 's/^/  /'
    } >&2
    sleep 0.5
  done
) &
keeper=$!
trap 'kill "$keeper" 2>/dev/null || true; wait "$keeper" 2>/dev/null || true; rm -f "$log"' EXIT
# Wait until the window manager has taken over the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$@"
