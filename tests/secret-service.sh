#!/usr/bin/env bash
# Runs a command in a session bus of its own that has GNOME Keyring's Secret Service, unlocked,
# with its keyrings in a folder made for the run: the credential store of a user's desktop.
# KELVORA_SECRET_SERVICE says it is there; where no session bus or GNOME Keyring can be had, the
# command runs without one, and the tests that need it are skipped.
set -euo pipefail
if [ "${1:-}" = --inside ]; then
  shift
  # The login keyring is made with this password and left unlocked, as a desktop login leaves it.
  printf 'kelvora-test' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  KELVORA_SECRET_SERVICE=1 exec "$@"
fi
if ! command -v dbus-run-session >/dev/null || ! command -v gnome-keyring-daemon >/dev/null; then
  echo "no session bus or GNOME Keyring here: the tests of the real credential store are skipped" >&2
  exec "$@"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 0700 "$home/run"
# dbus-daemon cannot raise its file limit without privileges, and says so: that is no fault.
HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run \
  dbus-run-session -- "$0" --inside "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
