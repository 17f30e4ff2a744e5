#!/usr/bin/env bash
# The real-window benchmarks, under Xvfb with openbox: the CPU a halted kit program uses over 5 s
# (goal: under 1% of a core) and the ticks per second it receives at a 25 ms period over 10 s
# (goal: 40 +- 1). Prints figures; it is not a test and fails only when it cannot run.
#   bench/run_window_bench.sh [build directory]      (default: build)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${VELDO_BENCH_UNDER_XVFB:-}" ]; then
  build=$(cd "${1:-${VELDO_BUILD:-$here/../build}}" && pwd) || exit 1
  VELDO_BENCH_UNDER_XVFB=1 VELDO_BUILD="$build" \
    exec bash "$here/../tests/window/run_under_xvfb.sh" "$here/run_window_bench.sh"
fi

program="$VELDO_BUILD/bench/ticks"
[ -x "$program" ] || { echo "run_window_bench: $program is not built" >&2; exit 1; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# CPU time (user + system) of a process in clock ticks, from /proc/<pid>/stat (fields 14 and 15,
# counted after the command name, which may hold spaces).
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }

# Halted: sample /proc over 5 s once the program has started waiting, then tell it to quit.
"$program" halted >"$out" &
pid=$!
for _ in $(seq 300); do
  grep -q "halted: waiting" "$out" && break
  sleep 0.1
done
grep -q "halted: waiting" "$out" || { echo "run_window_bench: the halted program did not start" >&2; kill "$pid"; exit 1; }
sleep 1
hz=$(getconf CLK_TCK)
# Wake-ups: every time the process went to sleep of its own accord and was woken again.
wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status"; }
before=$(cpu_ticks "$pid")
woken_before=$(wakeups "$pid")
start=$(date +%s.%N)
sleep 5
after=$(cpu_ticks "$pid")
woken_after=$(wakeups "$pid")
end=$(date +%s.%N)
kill -TERM "$pid"
wait "$pid"
awk -v b="$before" -v a="$after" -v hz="$hz" -v s="$start" -v e="$end" \
  -v wb="$woken_before" -v wa="$woken_after" 'BEGIN {
  printf "halted: %.2f s of CPU over %.2f s = %.2f%% of a core (from /proc; goal under 1%%)\n",
    (a - b) / hz, e - s, 100 * (a - b) / hz / (e - s)
  printf "halted: %.1f wake-ups a second at a 25 ms tick period (from /proc)\n", (wa - wb) / (e - s) }'
grep "^halted: .*CPU" "$out"

# Running: the program counts its own ticks over 10 s.
"$program" running
