#!/usr/bin/env bash
# Runs a command with a system bus and a session bus of its own, both empty: the test puts its
# own stand-ins on them (python3-dbusmock's logind, a desktop's session manager), and nothing it
# does reaches the machine's real ones. KELVORA_PRIVATE_BUSES says they are there; where no
# dbus-daemon or dbusmock can be had, the command runs without them and their tests are skipped.
set -euo pipefail
if ! command -v dbus-daemon >/dev/null || ! /usr/bin/python3 -c 'import dbusmock' 2>/dev/null; then
  echo "no dbus-daemon or python3-dbusmock here: the tests of the system's power management are skipped" >&2
  exec "$@"
fi
folder=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$folder"' EXIT
for bus in system session; do
  # dbus-daemon cannot raise its file limit without privileges, and says so: that is no fault.
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$folder/$bus" \
    2> >(grep -v 'Failed to set fd limit' >&2) &
  pids+=($!)
done
for _ in $(seq 100); do
  [ -S "$folder/system" ] && [ -S "$folder/session" ] && break
  sleep 0.05
done
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/system" DBUS_SESSION_BUS_ADDRESS="unix:path=$folder/session"
KELVORA_PRIVATE_BUSES=1 "$@"
