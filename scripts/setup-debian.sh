#!/usr/bin/env bash
# Installs what building, running and testing Kelvora needs on Debian 12 (and later releases).
# Idempotent: does nothing (and says nothing) when everything is there.
set -euo pipefail

# The package names are listed once, for every Debian release, in debian-packages.txt.
mapfile -t packages < <(sed 's/#.*//' "$(dirname "$0")/debian-packages.txt" | tr -s '[:space:]' '\n' | sed '/^$/d')

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
