#!/usr/bin/env bash
# What Kelvora costs keeping eight forums online, the tuned program against the plain one.
#
# Builds the program twice from this tree (tuned, and plain: -DKELVORA_PLAIN=ON, no page sleeping,
# no engine switches) and runs each the same way, as a user would, in a virtual X server with a
# window manager and a tray: all eight slots opened on eight local forum pages (127.0.0.2 …
# 127.0.0.9, about 280 KB of HTML, a style sheet, four images, a clock script, a login cookie),
# period "1" everywhere (slots 1 to 7 every minute, slot 8 every second), window minimised.
#
# Each run has two phases:
#   idle:    slot 8 is open but not started; slots 1 to 7 reload once a minute. The CPU used in the
#            5-second samples away from any reload is what hidden slots, clocks and the banner cost.
#   measure: slot 8 started too. Memory (sum of Pss over the process tree) and CPU from minute 2
#            on; slot 8's reloads as the forum saw them; slot 1's online clock at the end.
#
#   bench/run-bench.sh           # idle 3 min, measure 10 min, each program (about 30 minutes)
#   bench/run-bench.sh --short   # idle 1.5 min, measure 4 min, for a quick look
#   bench/run-bench.sh --hour    # the tuned program alone for an hour: memory at 5 and 60 minutes
#   bench/run-bench.sh --hangs   # the tuned program for 20 minutes, every forum silent for a minute
#                                # every 4 minutes: memory at minute 5 and at the end
#   bench/run-bench.sh --headless  # the tuned program on the desktop (in the tray) and with no window
#                                # (kelvora --headless, its page served), the same eight slots resumed
#                                # from the same kept state: memory and CPU over minutes 2 to 6
#   bench/run-bench.sh --short tuned   # one program only
#   bench/run-bench.sh --quick tuned -- --renderer-process-limit=1
#                                # 3 minutes, figures over the last 2: to try an engine switch,
#                                # handed to the program on its command line
#   bench/run-bench.sh --engines [MODE ...]
#                                # the same run on each engine, one after another: Qt 6.4 here, then
#                                # 6.8 and 6.11 in the Debian 13 and testing roots that
#                                # scripts/test-in-debian.sh makes (as root)
#
# Figures go to standard output; the screenshots of slot 1's clock and the programs' own output to
# build/bench/ (with --engines, each engine's figures to build/bench/engine-NAME.txt too).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --engines ]; then
  shift
  mkdir -p build/bench
  here=$(. /etc/os-release && echo "${VERSION_CODENAME:-here}")
  on() { # engine, the bench's own arguments
    if [ "$1" = "$here" ]; then "$0" "${@:2}"; else scripts/test-in-debian.sh "$1" --run bench/run-bench.sh "${@:2}"; fi
  }
  status=0
  for engine in "$here" trixie forky; do
    echo "=== $engine: $(date -u '+%F %T') UTC, commit $(git rev-parse --short HEAD 2>/dev/null || echo '?')"
    on "$engine" "$@" 2>&1 | tee "build/bench/engine-$engine.txt" || status=1
  done
  exit $status
fi
# The program's browsers start on a public site: the whole bench runs where only loopback exists.
if [ -z "${KELVORA_BENCH_ISOLATED:-}" ]; then
  exec tests/loopback-only.sh env KELVORA_BENCH_ISOLATED=1 "$0" "$@"
fi

mode=${1:---full}
server_args=()
skip=120 # the first two minutes of the measure phase are not counted
case "$mode" in
  --full) idle=180 measure=600 programs=(plain tuned) ;;
  --short) idle=90 measure=240 programs=(plain tuned) ;;
  --quick) idle=0 measure=180 skip=60 programs=(plain tuned) ;;
  --hour) idle=0 measure=3600 programs=(tuned) ;;
  --hangs) idle=0 measure=1200 programs=(tuned) server_args=(hangs 240 60) ;;
  --headless) idle=0 measure=360 programs=(desktop headless) ;;
  *) echo "usage: $0 [--short|--quick|--hour|--hangs] [plain|tuned ...] [-- engine switches]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] && shift
chosen=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do chosen+=("$1"); shift; done
[ ${#chosen[@]} -gt 0 ] && programs=("${chosen[@]}")
[ "${1:-}" = -- ] && shift
switches=("$@")
# Qt WebEngine hands the engine only what follows this marker on the program's command line.
[ ${#switches[@]} -gt 0 ] && [ "${switches[0]}" != --webEngineArgs ] && switches=(--webEngineArgs "${switches[@]}")

scripts/setup-debian.sh
build() {
  cmake -S . -B "build/bench-$1" -G Ninja -DCMAKE_BUILD_TYPE=Release "${@:2}" >/dev/null
  cmake --build "build/bench-$1" --target kelvora kelvora_benchserver >/dev/null
}
build tuned
[[ " ${programs[*]} " == *" plain "* ]] && build plain -DKELVORA_PLAIN=ON

out=build/bench
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
icewm >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

now() { date +%s.%N; }
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.3; }
replace_text() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 5 "$3"; }
switch_to() { click $((148 + 56 * $1)) 16; }

tree() {
  local all list=("$app") i=0
  all=$(ps -e -o pid=,ppid=)
  while [ $i -lt ${#list[@]} ]; do
    list+=($(awk -v p="${list[$i]}" '$2 == p { print $1 }' <<<"$all"))
    i=$((i + 1))
  done
  echo "${list[@]}"
}
# One sample: time, sum of Pss (kB), CPU ticks of the tree (finished children included), and the
# program process's own Pss (kB).
sample() {
  local kb=0 ticks=0 v own
  own=$(awk '/^Pss:/ { print $2 }' "/proc/$app/smaps_rollup" 2>/dev/null || echo 0)
  for pid in $(tree); do
    v=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
    kb=$((kb + ${v:-0}))
    v=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 + $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
    ticks=$((ticks + ${v:-0}))
  done
  echo "$(now) $kb $ticks ${own:-0}"
}
sample_for() { # seconds, file
  local end
  end=$(awk -v a="$(now)" -v s="$1" 'BEGIN { printf "%.3f", a + s }')
  while awk -v a="$(now)" -v e="$end" 'BEGIN { exit !(a < e) }'; do
    sample >>"$2"
    sleep 5
  done
}
# What each process of the tree holds, by kind.
breakdown() {
  for pid in $(tree); do
    local kind kb
    kind=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -o -- '--type=[a-z-]*' | head -n 1 || true)
    awk -v k="${kind:-program}" '/^Pss(_Anon|_File)?:/ { v[$1] = $2 } END { print k, v["Pss:"], v["Pss_Anon:"], v["Pss_File:"] }' \
      "/proc/$pid/smaps_rollup" 2>/dev/null || true
  done | awk '{ n[$1]++; kb[$1] += $2; an[$1] += $3; fi[$1] += $4 }
    END { for (k in n) printf "    %s: %d process(es), %.0f MB (%.0f MB anonymous, %.0f MB mapped files)\n", k, n[k], kb[k] / 1024, an[k] / 1024, fi[k] / 1024 }'
  # Each process's largest mappings (Pss, of it dirty: written, so it cannot be dropped and read back), to see where the memory is.
  local file="$out/smaps-$label${mode}.txt"
  : >"$file"
  for pid in $(tree); do
    kind=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -o -- '--type=[a-z-]*' | head -n 1 || true)
    echo "${kind:-program} ($pid):" >>"$file"
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 ? $6 : "[anonymous]" } /^Pss:/ { kb[name] += $2 } /^Pss_Dirty:/ { an[name] += $2 }
      END { for (m in kb) printf "%8d kB (%d kB dirty) %s\n", kb[m], an[m], m }' "/proc/$pid/smaps" 2>/dev/null | sort -rn | head -n 12 >>"$file" || true
  done
}
# The tray icon's menu: "显示程序" brings the window back.
restore() {
  local geometry x y
  geometry=$(xwininfo -root -tree | awk '/"kelvora": \("kelvora" "kelvora"\)  24x24/ { print $NF; exit }' || true)
  x=$(cut -d+ -f2 <<<"$geometry"); y=$(cut -d+ -f3 <<<"$geometry")
  xdotool mousemove $((x + 12)) $((y + 12)) click 1
  sleep 1
  xdotool key Down Return
  sleep 1
  win=$(xdotool search --sync --onlyvisible --name '^(Kelvora|论坛.*)$' | head -n 1)
}

run() { # plain | tuned
  local label=$1 home="$work/home-$1" log="$work/requests-$1" samples="$work/samples-$1" idles="$work/idle-$1"
  mkdir -p "$home"
  : >"$samples"; : >"$idles"
  "build/bench-tuned/bench/kelvora_benchserver" 18080 "${server_args[@]}" >"$log" &
  local server=$!
  pids+=("$server")
  for _ in $(seq 50); do [ "$(grep -c '^http' "$log")" -ge 8 ] && break; sleep 0.1; done
  mapfile -t urls < <(grep '^http' "$log")

  # A runtime folder of its own: the program runs once per user, and a run alongside is another.
  mkdir -p -m 700 "$home/runtime"
  XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
    "build/bench-$label/src/kelvora" "${switches[@]}" >"$work/kelvora-$label.log" 2>&1 &
  app=$!
  pids+=("$app")
  win=$(xdotool search --sync --onlyvisible --name '^Kelvora$' | head -n 1)
  xdotool windowactivate --sync "$win"
  local opened
  for i in $(seq 0 7); do
    switch_to "$i"
    replace_text 227 99 "${urls[$i]}" # address box
    xdotool mousemove --window "$win" 423 103 click 1 # open: slot 1's clock starts here
    [ "$i" -eq 0 ] && opened=$(now)
    sleep 0.3
    replace_text 147 139 1            # period box
    # start: with an idle phase, slot 8 waits for the measure phase
    { [ "$i" -lt 7 ] || [ "$idle" -eq 0 ]; } && click 431 139
  done
  switch_to 0
  xdotool windowminimize "$win"
  if [ "$idle" -gt 0 ]; then
    sample_for "$idle" "$idles"
    restore
    switch_to 7
    click 431 139
    switch_to 0
    xdotool windowminimize "$win"
  fi
  local started
  started=$(now)
  sleep "$skip"
  sample_for $((measure - skip)) "$samples"
  local ended
  ended=$(now)
  echo "$label:"
  breakdown
  restore
  switch_to 0
  sleep 1.5
  import -window "$win" -crop 380x40+440+90 "$out/clock-$label${mode}.png"
  awk -v o="$opened" -v e="$(now)" 'BEGIN { s = int(e - o); printf "  slot 1 open for %d:%02d:%02d of real time when its clock was shot (%s)\n", s / 3600, s / 60 % 60, s % 60, "'"$out/clock-$label${mode}.png"'" }'
  kill "$app" "$server" 2>/dev/null || true
  wait "$app" "$server" 2>/dev/null || true
  cp "$samples" "$out/samples-$label${mode}.txt"
  cp "$work/kelvora-$label.log" "$out/kelvora-$label${mode}.log"
  python3 bench/figures.py "$samples" "$idles" "$log" "$started" "$measure" | tee "$work/figures-$label"
}

# The same slots for either program, resumed from a kept state as after a restart: slots 1 to 7
# every minute, slot 8 every second, every one running.
resumed() { # desktop | headless
  local label=$1 home="$work/home-$1" log="$work/requests-$1" samples="$work/samples-$1"
  mkdir -p "$home/data/kelvora/kelvora"
  : >"$samples"
  "build/bench-tuned/bench/kelvora_benchserver" 18080 >"$log" &
  local server=$!
  pids+=("$server")
  for _ in $(seq 50); do [ "$(grep -c '^http' "$log")" -ge 8 ] && break; sleep 0.1; done
  mapfile -t urls < <(grep '^http' "$log")
  {
    echo '{"version": 1, "resumeOnStart": true, "lateReloads": true, "preventSleep": false, "slots": ['
    for i in $(seq 0 7); do
      printf '  {"slot": %d, "address": "%s", "period": 1, "running": true}%s\n' "$((i + 1))" "${urls[$i]}" "$([ "$i" -lt 7 ] && echo ,)"
    done
    echo ']}'
  } >"$home/data/kelvora/kelvora/slots.json"
  mkdir -p -m 700 "$home/runtime"
  local args=(--minimized)
  [ "$label" = headless ] && args=(--headless --web-port 18391)
  XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
    build/bench-tuned/src/kelvora "${args[@]}" "${switches[@]}" >"$work/kelvora-$label.log" 2>&1 &
  app=$!
  pids+=("$app")
  local started
  started=$(now)
  sleep "$skip"
  sample_for $((measure - skip)) "$samples"
  echo "$label:"
  breakdown
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  cp "$samples" "$out/samples-$label${mode}.txt"
  cp "$work/kelvora-$label.log" "$out/kelvora-$label${mode}.log"
  python3 bench/figures.py "$samples" "$work/none" "$log" "$started" "$measure" | tee "$work/figures-$label"
}

if [ "$mode" = --headless ]; then
  : >"$work/none"
  for p in "${programs[@]}"; do resumed "$p"; done
  exit 0
fi
for p in "${programs[@]}"; do run "$p"; done
if [ ${#programs[@]} -eq 2 ]; then
  python3 bench/figures.py --compare "$work/figures-plain" "$work/figures-tuned"
fi
