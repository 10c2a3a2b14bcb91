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
bare_reader=$build/tests/bench/bare_reader.exe
STARTS=${STARTS:-11}
REST_SECONDS=${REST_SECONDS:-15}  # each of two rounds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/tests/bench/bench-lib.sh"
value() { awk -v k="$1" '$1 == k {print $2}' "$work/bench.txt"; }

# 1. Inside one process: tick against bare read, repaints at rest, memory.
xdotool mousemove 8 8
wine "$bench" >"$work/bench.txt" 2>/dev/null </dev/null || {
  echo "run.sh: velmora_bench failed" >&2; cat "$work/bench.txt" >&2; exit 1; }

# 2. Start-up against a program that only shows a window, alternating.
for _ in $(seq "$STARTS"); do
  start_ms Velmora wine "$velmora" >>"$work/velmora_start"
  start_ms "Velmora bare window" wine "$bare" >>"$work/bare_start"
done
velmora_start=$(median <"$work/velmora_start")
bare_start=$(median <"$work/bare_start")

# 3. CPU at rest against a bare program that only reads the pixel under the
#    pointer ten times a second, one after the other on the same display:
#    the process (/proc/<pid>/stat, Wine's own code in it included), the
#    Wine server and the X server, for each.

# The pid of the Wine server of $WINEPREFIX: the one working in the prefix's
# server folder (/tmp/.wine-UID/server-DEV-INODE, in hex).
wine_server_pid() {
  local device inode folder p
  read -r device inode < <(stat -c '%d %i' "$WINEPREFIX")
  folder=$(printf 'server-%x-%x' "$device" "$inode")
  for p in $(pgrep wineserver); do
    case $(readlink "/proc/$p/cwd") in */"$folder") echo "$p"; return ;; esac
  done
  echo "run.sh: no Wine server for $WINEPREFIX" >&2
  return 1
}
# "program_ticks servers_ticks program_ns servers_ns" of the Windows program
# $2 at rest; $1 is its window's title, or "" for a program without one.
rest() {
  local title=$1 exe=$2 pid servers c0 s0 n0 m0 c1 s1 n1 m1
  pid=$(launch wine "$exe")
  if [ -n "$title" ]; then wait_mapped "$title"; else sleep 3; fi
  xdotool mousemove 8 8
  sleep 2
  servers="$(wine_server_pid) $(x_server_pid)"
  # shellcheck disable=SC2086
  c0=$(cpu_ticks "$pid") s0=$(cpu_ticks $servers) n0=$(run_ns "$pid") m0=$(run_ns $servers)
  sleep "$REST_SECONDS"
  # shellcheck disable=SC2086
  c1=$(cpu_ticks "$pid") s1=$(cpu_ticks $servers) n1=$(run_ns "$pid") m1=$(run_ns $servers)
  # Whatever else is to be measured of the program at rest.
  if [ -n "${AFTER_REST:-}" ]; then "$AFTER_REST"; fi
  grep -q "$(basename "$exe")" "/proc/$pid/cmdline" || echo "run.sh: pid $pid is not $exe" >&2
  stop "$pid"
  echo "$((c1 - c0)) $((s1 - s0)) $((n1 - n0)) $((m1 - m0))"
}
# In the order Velmora, bare, bare, Velmora: whichever runs just after
# another program's end shares the cost of its clean-up alike.
rest Velmora "$velmora" >>"$work/velmora_rest"
rest "" "$bare_reader" >>"$work/bare_rest"
rest "" "$bare_reader" >>"$work/bare_rest"
rest Velmora "$velmora" >>"$work/velmora_rest"
sums() { awk '{for (i = 1; i <= NF; i++) t[i] += $i} END {printf "%.0f %.0f %.0f %.0f\n", t[1], t[2], t[3], t[4]}' "$1"; }
read -r vel_prog vel_servers vel_ns vel_servers_ns < <(sums "$work/velmora_rest")
read -r bare_prog bare_servers bare_ns bare_servers_ns < <(sums "$work/bare_rest")
hz=$(getconf CLK_TCK)

# 4. Private memory against the bare window's, measured the same way from
#    outside (Private_Dirty: Wine's own heaps are in both).
velmora_kb=$(memory_kb Velmora wine "$velmora")
bare_kb=$(memory_kb "Velmora bare window" wine "$bare")

# 4b. With the magnifier on (a Config.ini in the session's prefix that says
#     so, put back as it was afterwards): private memory against the strip
#     alone above, CPU at rest against the bare reader's mean round, and the
#     loupe's paints at rest counted from outside (X DAMAGE).
config_dir=$WINEPREFIX/drive_c/users/Public/Documents/Quorvane/Velmora
mkdir -p "$config_dir"
if [ -e "$config_dir/Config.ini" ]; then cp "$config_dir/Config.ini" "$work/Config.ini.kept"; fi
restore_config() {
  rm -f "$config_dir/Config.ini"
  if [ -e "$work/Config.ini.kept" ]; then cp "$work/Config.ini.kept" "$config_dir/Config.ini"; fi
}
trap 'restore_config; rm -rf "$work"' EXIT
printf '[Options]\r\nMagnifier=1\r\n' >"$config_dir/Config.ini"
magnifier_kb=$(memory_kb Velmora wine "$velmora")
count_loupe() {
  python3 "$root/tests/bench/count_repaints.py" "Velmora Magnifier" 3 | awk '{print $2}' >"$work/loupe_repaints"
}
AFTER_REST=count_loupe rest Velmora "$velmora" >"$work/magnifier_rest"
restore_config
read -r mag_prog mag_servers mag_ns mag_servers_ns <"$work/magnifier_rest"
loupe_repaints=$(cat "$work/loupe_repaints")

# 5. The executable.
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
    -v vp="$vel_prog" -v vs="$vel_servers" -v bp="$bare_prog" -v bs="$bare_servers" \
    -v vn="$vel_ns" -v vsn="$vel_servers_ns" -v bn="$bare_ns" -v bsn="$bare_servers_ns" \
    -v hz="$hz" -v secs="$REST_SECONDS" \
    -v vs_ms="$velmora_start" -v bs_ms="$bare_start" -v kb0="$kb0" -v kb1="$kb1" \
    -v vkb="$velmora_kb" -v bkb="$bare_kb" -v size="$size_kb" -v dlls="$dlls" \
    -v mp="$mag_prog" -v ms="$mag_servers" -v mn="$mag_ns" -v msn="$mag_servers_ns" \
    -v mkb="$magnifier_kb" -v mrep="$loupe_repaints" 'BEGIN {
  f = "%-38s %-44s %s\n"
  printf f, "Figure", "Measured", "Goal"
  printf f, "tick (WM_TIMER) / bare pixel read", sprintf("%.2f (%.1f us / %.1f us)", tick / bare, tick, bare), "<= 1.10"
  printf f, "tick (handler called) / bare read", sprintf("%.2f (%.1f us / %.1f us)", direct / bare, direct, bare), "<= 1.10"
  printf f, "repaints per second at rest", sprintf("%.2f", rps), "0"
  printf f, "CPU at rest / bare reader, run time", sprintf("%.2f (%.0f+%.0f / %.0f+%.0f ms)", (vn + vsn) / (bn + bsn), vn / 1e6, vsn / 1e6, bn / 1e6, bsn / 1e6), "<= 1.05"
  printf f, "CPU at rest / bare reader, ticks", sprintf("%s (%d+%d / %d+%d ticks of 1/%d s)", bp + bs > 0 ? sprintf("%.2f", (vp + vs) / (bp + bs)) : "n/a", vp, vs, bp, bs, hz), "<= 1.05"
  printf f, "CPU at rest, share of one core", sprintf("%.3f %% (with the Wine and X servers, 2 x %d s)", (vn + vsn) / 1e9 / (2 * secs) * 100, secs), ""
  printf f, "CPU at rest, magnifier / bare, run time", sprintf("%.2f (%.0f+%.0f / %.0f+%.0f ms, one round)", (mn + msn) / ((bn + bsn) / 2), mn / 1e6, msn / 1e6, bn / 2e6, bsn / 2e6), "<= 1.5"
  printf f, "CPU at rest, magnifier / bare, ticks", sprintf("%s (%d+%d / %.1f+%.1f ticks)", bp + bs > 0 ? sprintf("%.2f", (mp + ms) / ((bp + bs) / 2)) : "n/a", mp, ms, bp / 2, bs / 2), "<= 1.5"
  printf f, "loupe repaints per second at rest", sprintf("%.2f (%d in 3 s)", mrep / 3, mrep), "0"
  printf f, "start-up / bare window start-up", sprintf("%.2f (%d ms / %d ms)", vs_ms / bs_ms, vs_ms, bs_ms), "<= 1.15"
  printf f, "private memory / bare window", sprintf("%d KB / %d KB (%+d KB)", vkb, bkb, vkb - bkb), "<= +1024 KB"
  printf f, "private memory, magnifier on", sprintf("%d KB / %d KB strip alone (%+d KB)", mkb, vkb, mkb - vkb), "<= +1024 KB"
  printf f, "private memory, 10,000 ticks", sprintf("%d KB -> %d KB (%+d KB, in the bench)", kb0, kb1, kb1 - kb0), "flat"
  printf f, "Velmora.exe size", sprintf("%d KB", size), "<= 300 KB"
  printf f, "imported DLLs", dlls, "system DLLs only"
}'
