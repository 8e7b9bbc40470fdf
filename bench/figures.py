#!/usr/bin/env python3
"""The benchmark's figures from its samples and the forums' request log (see run-bench.sh).

figures.py SAMPLES IDLE_SAMPLES REQUEST_LOG STARTED MEASURE_SECONDS
figures.py --compare PLAIN_FIGURES TUNED_FIGURES
"""
import statistics
import sys

HZ = 100.0  # the kernel's clock ticks per second, as /proc reports CPU time


def rows(path):
    return [tuple(map(float, line.split())) for line in open(path) if line.strip()]


def cpu_per_minute(windows):
    ticks = sum(b[2] - a[2] for a, b in windows)
    seconds = sum(b[0] - a[0] for a, b in windows)
    return ticks / HZ / seconds * 60 if seconds else float('nan')


def figures(samples_path, idle_path, log_path, started, measure):
    samples = rows(samples_path)
    idle = rows(idle_path)
    log = [line.split() for line in open(log_path) if line.startswith(('page ', 'request '))]
    # What a forum credits: the pages it generated. The rest (style sheets, images) earns nothing.
    requests = [r for r in log if r[0] == 'page']
    times = [int(r[2]) / 1000 for r in requests]

    memory = [row[1] / 1024 for row in samples]
    print(f"  memory: mean {statistics.mean(memory):.0f} MB, peak {max(memory):.0f} MB"
          f" ({len(samples)} samples from minute 2 on)")
    own = [row[3] / 1024 for row in samples if len(row) > 3]
    if own:
        print(f"  of it the program process: mean {statistics.mean(own):.0f} MB, peak {max(own):.0f} MB")
    if measure >= 1200:
        # The leak check: the mean over the minute before minute 5 and before the end. Slots 1 to 7
        # reload once a minute, so a whole minute holds one of their cycles.
        def minute_before(t):
            values = [row[1] / 1024 for row in samples if t - 60 <= row[0] - started < t]
            return statistics.mean(values) if values else float('nan')
        # The hang run (20 minutes) has its first hang after minute 3: the minute before is its start.
        first = 300 if measure >= 3600 else 180
        at5, at60 = minute_before(first), minute_before(measure)
        print(f"  memory at minute {first // 60}: {at5:.0f} MB; at minute {measure // 60}: {at60:.0f} MB;"
              f" growth {(at60 / at5 - 1) * 100:+.1f} %")
        hangs = sum(1 for line in open(log_path) if line.startswith('hang '))
        if hangs:
            print(f"  forums silent for a minute {hangs} times")
    print(f"  cpu: {cpu_per_minute(list(zip(samples, samples[1:]))):.2f} s per minute")
    if len(idle) > 1:
        # A reload's work goes on for some seconds after its request: those samples are left out.
        quiet = [(a, b) for a, b in zip(idle, idle[1:]) if not any(a[0] - 10 <= t <= b[0] for t in times)]
        print(f"  cpu between reloads: {cpu_per_minute(quiet):.2f} s per minute"
              f" ({len(quiet)} quiet samples of {len(idle) - 1})")

    end = started + measure
    eight = sorted(int(r[2]) for r in requests if r[1] == '8' and started < int(r[2]) / 1000 <= end)
    gaps = [b - a for a, b in zip(eight, eight[1:])]
    logins = sum(1 for r in requests if r[3] == '-')
    print(f"  slot 8: {len(eight)} reloads in {measure} s", end='')
    if gaps:
        off = [g - 1000 for g in gaps]
        drift = (eight[-1] - eight[0]) - 1000 * (len(eight) - 1)
        print(f"; intervals {min(gaps)} to {max(gaps)} ms (sd {statistics.pstdev(off):.1f} ms);"
              f" last minus first {(eight[-1] - eight[0]) / 1000:.3f} s for {len(eight) - 1} intervals,"
              f" drift {drift} ms")
    else:
        print()
    first = [int(r[2]) for r in requests if r[1] == '1' and started < int(r[2]) / 1000 <= end]
    print(f"  slot 1: {len(first)} reloads in the same time; requests without a login cookie: {logins} (the first visits)")
    within = [r for r in log if started < int(r[2]) / 1000 <= end]
    print("  pages the forums generated / all requests they got, per slot, in the measured "
          f"{measure} s:")
    print("   " + "".join(
        f" {slot}: {sum(1 for r in within if r[1] == str(slot) and r[0] == 'page')}"
        f"/{sum(1 for r in within if r[1] == str(slot))}" for slot in range(1, 9)))
    mem_mean, mem_peak = statistics.mean(memory), max(memory)
    return {'mean': mem_mean, 'peak': mem_peak, 'cpu': cpu_per_minute(list(zip(samples, samples[1:])))}


def compare(plain_path, tuned_path):
    def read(path):
        values = {}
        for line in open(path):
            line = line.strip()
            if line.startswith('memory:'):
                parts = line.replace(',', '').split()
                values['mean'], values['peak'] = float(parts[2]), float(parts[5])
            elif line.startswith('cpu:'):
                values['cpu'] = float(line.split()[1])
            elif line.startswith('cpu between reloads:'):
                values['quiet'] = float(line.split()[3])
        return values
    plain, tuned = read(plain_path), read(tuned_path)
    print("tuned / plain:")
    for key, name in (('mean', 'memory mean'), ('peak', 'memory peak'), ('cpu', 'cpu per minute'),
                      ('quiet', 'cpu between reloads')):
        if key in plain and key in tuned and plain[key]:
            print(f"  {name}: {tuned[key]:.2f} / {plain[key]:.2f} = {tuned[key] / plain[key]:.2f}")


if __name__ == '__main__':
    if sys.argv[1] == '--compare':
        compare(sys.argv[2], sys.argv[3])
    else:
        figures(sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4]), int(sys.argv[5]))
