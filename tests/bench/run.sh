#!/usr/bin/env bash
# Velmora's benchmark table, measured in one run (`make bench`). Runs inside
# tests/wine/session.sh (one virtual display, one Wine prefix):
#   tests/wine/session.sh tests/bench/run.sh [build/windows]
# Every figure is a ratio or a count against its own yardstick, so a busy
# machine changes little.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/windows}
velmora=$build/Velmora.exe
bench=$build/tests/bench/velmora_bench.exe
bare=$build/tests/bench/bare_window.exe
STARTS=${STARTS:-7}
REST_SECONDS=${REST_SECONDS:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now_ns() { date +%s%N; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR + 1) / 2)]}'; }

# Starts a Windows program in a process group of its own; prints its pid.
launch() {
  setsid wine "$1" </dev/null >/dev/null 2>&1 &
  echo $!
}
stop() {
  kill -KILL -- "-$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
# Waits until a visible window titled exactly $1 is mapped.
wait_mapped() {
  local deadline=$(($(date +%s) + 30))
  until xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$deadline" ] || { echo "run.sh: no window '$1'" >&2; return 1; }
  done
}
# Milliseconds from launching $1 to its window $2 being mapped.
start_ms() {
  local t0 pid
  t0=$(now_ns)
  pid=$(launch "$1")
  wait_mapped "$2"
  echo $((($(now_ns) - t0) / 1000000))
  stop "$pid"
  sleep 0.3
}
value() { awk -v k="$1" '$1 == k {print $2}' "$work/bench.txt"; }

# 1. Inside one process: tick against bare read, repaints at rest, memory.
xdotool mousemove 8 8
wine "$bench" >"$work/bench.txt" 2>/dev/null </dev/null || {
  echo "run.sh: velmora_bench failed" >&2; cat "$work/bench.txt" >&2; exit 1; }

# 2. Start-up against a program that only shows a window, alternating.
for _ in $(seq "$STARTS"); do
  start_ms "$velmora" Velmora >>"$work/velmora_start"
  start_ms "$bare" "Velmora bare window" >>"$work/bare_start"
done
velmora_start=$(median <"$work/velmora_start")
bare_start=$(median <"$work/bare_start")

# 3. CPU of the Velmora process at rest, from outside (/proc/<pid>/stat:
#    user + system time of all its threads, Wine's own code in it included).
pid=$(launch "$velmora")
wait_mapped Velmora
xdotool mousemove 8 8
sleep 2
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
c0=$(cpu_ticks)
sleep "$REST_SECONDS"
c1=$(cpu_ticks)
grep -q Velmora.exe "/proc/$pid/cmdline" || echo "run.sh: pid $pid is not Velmora.exe" >&2
stop "$pid"
hz=$(getconf CLK_TCK)

# 4. The executable.
# Velmora.exe as it ships (32-bit), whichever build the figures above ran.
shipped=$root/build/windows/Velmora.exe
size_kb=$(( ($(stat -c %s "$shipped") + 1023) / 1024 ))
dlls=$(i686-w64-mingw32-objdump -p "$shipped" | awk '/DLL Name:/ {print $3}' | sort | paste -sd' ')

tick=$(value tick_us)
direct=$(value direct_tick_us)
bare_read=$(value bare_read_us)
kb0=$(value private_kb_startup)
kb1=$(value private_kb_after_ticks)
awk -v tick="$tick" -v direct="$direct" -v bare="$bare_read" -v rps="$(value repaints_per_s)" \
    -v c0="$c0" -v c1="$c1" -v hz="$hz" -v secs="$REST_SECONDS" \
    -v vs="$velmora_start" -v bs="$bare_start" -v kb0="$kb0" -v kb1="$kb1" \
    -v size="$size_kb" -v dlls="$dlls" 'BEGIN {
  f = "%-38s %-44s %s\n"
  printf f, "Figure", "Measured", "Goal"
  printf f, "tick (WM_TIMER) / bare pixel read", sprintf("%.2f (%.1f us / %.1f us)", tick / bare, tick, bare), "<= 1.10"
  printf f, "tick (handler called) / bare read", sprintf("%.2f (%.1f us / %.1f us)", direct / bare, direct, bare), "<= 1.10"
  printf f, "repaints per second at rest", sprintf("%.2f", rps), "0"
  printf f, "CPU at rest, share of one core", sprintf("%.3f %% (%d ticks of 1/%d s in %d s)", (c1 - c0) / hz / secs * 100, c1 - c0, hz, secs), "<= 0.1 %"
  printf f, "start-up / bare window start-up", sprintf("%.2f (%d ms / %d ms)", vs / bs, vs, bs), "<= 1.2"
  printf f, "private memory after start-up", sprintf("%d KB", kb0), "<= 2048 KB"
  printf f, "private memory after 10,000 ticks", sprintf("%d KB (%+d KB)", kb1, kb1 - kb0), "flat"
  printf f, "Velmora.exe size", sprintf("%d KB", size), "<= 300 KB"
  printf f, "imported DLLs", dlls, "system DLLs only"
  printf "\n"
}'
