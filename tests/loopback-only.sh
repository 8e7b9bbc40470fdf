#!/usr/bin/env bash
# Runs a command in a network namespace of its own with nothing but loopback, so whatever the
# program under test loads (its start page is a public site) never leaves this machine.
# Exits 77, which CTest reports as skipped, where no such namespace can be made.
set -euo pipefail
if [ "$(id -u)" -eq 0 ]; then
  enter=(unshare --net)
else
  enter=(unshare --net --map-root-user)
fi
if ! "${enter[@]}" true 2>/dev/null; then
  echo "cannot make a network namespace here: skipped" >&2
  exit 77
fi
exec "${enter[@]}" bash -c 'ip link set lo up && exec "$@"' isolated "$@"
