#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing (through sudo when not root), and
# says which. One install at a time: scripts run side by side wait for each other's install rather
# than fail on apt's lock.
#
#   scripts/install-packages.sh PACKAGE...
set -euo pipefail
need=()
for package in "$@"; do
  dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || need+=("$package")
done
[ ${#need[@]} -eq 0 ] && exit 0
echo "Installing: ${need[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive flock /var/cache/kelvora-install.lock sh -c \
  'apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@" >/dev/null' install "${need[@]}"
