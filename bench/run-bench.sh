#!/usr/bin/env bash
# Memory and CPU of Kelvora keeping eight forums online.
#
# Starts the real program in a virtual X server, opens all eight slots on local forum-like pages by
# driving the window with xdotool (address, open, period 1, start), shows slot 1 and lets it run.
# After a warm-up it samples the whole process tree every 5 seconds and prints the mean and peak of
# the sum of Pss, and the CPU seconds used per minute. Slots 1 to 7 reload every minute, slot 8
# every second.
#
#   bench/run-bench.sh            # 60 s warm-up, 120 s measured
#   WARMUP=30 MEASURE=60 SCREENSHOT=/tmp/bench.png bench/run-bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# The program's browsers start on a public site: the whole bench runs where only loopback exists.
if [ -z "${KELVORA_BENCH_ISOLATED:-}" ]; then
  exec tests/loopback-only.sh env KELVORA_BENCH_ISOLATED=1 "$0" "$@"
fi
warmup=${WARMUP:-60}
measure=${MEASURE:-120}

scripts/setup-debian.sh
cmake --preset dev >/dev/null
cmake --build --preset dev >/dev/null

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

build/dev/bench/kelvora_benchserver 18080 >"$work/urls" &
pids+=($!)
for _ in $(seq 50); do [ "$(wc -l <"$work/urls")" -ge 8 ] && break; sleep 0.1; done
mapfile -t urls <"$work/urls"

XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
  build/dev/src/kelvora >"$work/kelvora.log" 2>&1 &
app=$!
pids+=("$app")
win=$(xdotool search --sync --onlyvisible --name '^Kelvora$' | head -n 1)

click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.2; }
replace_text() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 5 "$3"; }
for i in $(seq 0 7); do
  click $((148 + 56 * i)) 16                  # the slot's switch button
  replace_text 227 99 "${urls[$i]}"           # address box
  click 423 103                               # open
  replace_text 147 139 1                      # period box
  click 431 139                               # start
done
click 148 16
if [ -n "${SCREENSHOT:-}" ]; then sleep 2; import -window root "$SCREENSHOT"; fi

tree() {
  local all
  all=$(ps -e -o pid=,ppid=)
  local list=("$app") i=0
  while [ $i -lt ${#list[@]} ]; do
    list+=($(awk -v p="${list[$i]}" '$2 == p { print $1 }' <<<"$all"))
    i=$((i + 1))
  done
  echo "${list[@]}"
}
pss_kb() {
  local sum=0 kb
  for pid in $(tree); do
    kb=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
    sum=$((sum + ${kb:-0}))
  done
  echo $sum
}
cpu_ticks() {
  local sum=0 t
  for pid in $(tree); do
    # utime and stime, plus what finished children used.
    t=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 + $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
    sum=$((sum + ${t:-0}))
  done
  echo $sum
}

sleep "$warmup"
hz=$(getconf CLK_TCK)
start_ticks=$(cpu_ticks)
start_time=$(date +%s.%N)
samples=() peak=0
for _ in $(seq $((measure / 5))); do
  sleep 5
  kb=$(pss_kb)
  samples+=("$kb")
  [ "$kb" -gt "$peak" ] && peak=$kb
done
end_ticks=$(cpu_ticks)
end_time=$(date +%s.%N)

processes=$(tree | wc -w)
awk -v s="${samples[*]}" -v peak="$peak" -v t0="$start_ticks" -v t1="$end_ticks" -v hz="$hz" \
    -v a="$start_time" -v b="$end_time" -v n="$processes" 'BEGIN {
  k = split(s, v, " "); for (i = 1; i <= k; i++) sum += v[i]
  printf "processes: %d\n", n
  printf "memory (sum of Pss): mean %.0f MB, peak %.0f MB over %d samples\n", sum / k / 1024, peak / 1024, k
  printf "cpu: %.1f s per minute\n", (t1 - t0) / hz / ((b - a) / 60)
}'
