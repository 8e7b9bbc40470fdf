#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Kelvora and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec build/dev/src/kelvora "$@"
