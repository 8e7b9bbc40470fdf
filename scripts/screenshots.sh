#!/usr/bin/env bash
# Takes the README's pictures from the real program: the main window with slot 1 open on a local
# forum page, and the address list editor.
#
#   scripts/screenshots.sh [PRESET [FOLDER]]   # default: the dev build, pictures to docs/
set -euo pipefail
cd "$(dirname "$0")/.."
# The program's browsers start on a public site: everything runs where only loopback exists.
if [ -z "${KELVORA_SHOTS_ISOLATED:-}" ]; then
  exec tests/loopback-only.sh env KELVORA_SHOTS_ISOLATED=1 "$0" "$@"
fi
scripts/setup-debian.sh
preset=${1:-dev}
shots=${2:-docs}
mkdir -p "$shots"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target kelvora kelvora_benchserver >/dev/null

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
icewm >/dev/null 2>&1 &
pids+=($!)
"build/$preset/bench/kelvora_benchserver" 18080 >"$work/urls" &
pids+=($!)
for _ in $(seq 50); do [ "$(grep -c '^http' "$work/urls")" -ge 8 ] && break; sleep 0.1; done
url=$(grep -m 1 '^http' "$work/urls")

XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
  XDG_RUNTIME_DIR="$work" "build/$preset/src/kelvora" >/dev/null 2>&1 &
pids+=($!)
win=$(xdotool search --sync --onlyvisible --name '^Kelvora$' | head -n 1)
xdotool windowactivate --sync "$win"
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.5; }
click "$win" 148 16
click "$win" 227 99
xdotool key ctrl+a
xdotool type --delay 5 "$url"
click "$win" 423 103
click "$win" 431 139
sleep 4
import -window "$win" "$shots/main.png"
click "$win" 604 16
editor=$(xdotool search --sync --onlyvisible --name '^增加$' | head -n 1)
sleep 1
import -window "$editor" "$shots/editor.png"
echo "written: $shots/main.png $shots/editor.png"
