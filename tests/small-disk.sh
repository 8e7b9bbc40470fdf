#!/usr/bin/env bash
# Runs a command with a small file system of its own, empty and private to it, whose folder is in
# KELVORA_SMALL_DISK: a test can fill it to the last byte, as a user's disk fills, and free it
# again. Where no such file system can be made here, the command runs without it, and the tests
# that need it are skipped.
set -euo pipefail
if [ "${1:-}" = --inside ]; then
  shift
  mount -t tmpfs -o size=48m,mode=0700 kelvora-small-disk "$KELVORA_SMALL_DISK"
  exec "$@"
fi
if [ "$(id -u)" -eq 0 ]; then
  enter=(unshare --mount)
else
  enter=(unshare --mount --map-root-user)
fi
folder=$(mktemp -d)
trap 'rmdir "$folder"' EXIT
if ! "${enter[@]}" mount -t tmpfs -o size=1m none "$folder" 2>/dev/null; then
  echo "cannot make a small file system here: its tests are skipped" >&2
  "$@"
  exit
fi
KELVORA_SMALL_DISK=$folder "${enter[@]}" "$0" --inside "$@"
