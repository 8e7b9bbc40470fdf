#!/usr/bin/env bash
# Installs what building, running and testing Kelvora needs on Debian 12 (and later releases).
# Idempotent: does nothing (and says nothing) when everything is there.
set -euo pipefail

# The package names are listed once, for every Debian release, in debian-packages.txt.
mapfile -t packages < <(sed 's/#.*//' "$(dirname "$0")/debian-packages.txt" | tr -s '[:space:]' '\n' | sed '/^$/d')

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
