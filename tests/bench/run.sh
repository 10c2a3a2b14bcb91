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
STARTS=${STARTS:-15}
REST_SECONDS=${REST_SECONDS:-8}  # each round of the CPU at rest
export REST_SECONDS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/tests/bench/bench-lib.sh"
value() { awk -v k="$1" '$1 == k {print $2}' "$work/bench.txt"; }

# 1. Inside one process: tick against bare read, repaints at rest, memory.
xdotool mousemove 8 8
wine "$bench" >"$work/bench.txt" 2>/dev/null </dev/null || {
  echo "run.sh: velmora_bench failed" >&2; cat "$work/bench.txt" >&2; exit 1; }

# 2. Start-up against a program that only shows a window, alternating, after
#    one start of each that is not counted (the prefix's services and caches
#    warm for both alike): "median lower_quartile upper_quartile" of each
#    program's times and of their pairs' ratios.
python3 "$root/tests/bench/starts.py" "$STARTS" Velmora wine "$velmora" -- \
  "Velmora bare window" wine "$bare" >"$work/starts"
read -r velmora_start velmora_q1 velmora_q3 < <(awk '$1 == "program_ms" {print $2, $3, $4}' "$work/starts")
read -r bare_start bare_q1 bare_q3 < <(awk '$1 == "bare_ms" {print $2, $3, $4}' "$work/starts")
read -r start_ratio start_q1 start_q3 < <(awk '$1 == "ratio" {print $2, $3, $4}' "$work/starts")

# 3. CPU at rest against a bare program that only reads the pixel under the
#    pointer ten times a second, and of Velmora with the magnifier on: the
#    three side by side, each on a display and a prefix of its own (copies of
#    the session's warm prefix), so that each Wine server and X server serves
#    one program alone and all three rest through the same moments of the
#    machine's load. ROUNDS rounds each; a round's ratio compares the same
#    seconds. CPU is the run time of every thread of the program, its Wine
#    server and its X server.
ROUNDS=${ROUNDS:-7}
# A copy of the session's prefix: its files linked, its registry (which the
# Wine server rewrites) copied.
prefix_copy() {
  cp -al "$WINEPREFIX" "$1"
  for reg in "$WINEPREFIX"/*.reg; do cp --remove-destination "$reg" "$1/"; done
}
for side in velmora magnifier sample bare; do prefix_copy "$work/prefix-$side"; done
# An [Options] section in a side's own prefix copy (the file a new one, not
# the session prefix's, whose files the copies link).
side_options() {
  local folder=$work/prefix-$1/drive_c/users/Public/Documents/Quorvane/Velmora
  mkdir -p "$folder"
  rm -f "$folder/Config.ini"
  printf '[Options]\r\n%s\r\n' "$2" >"$folder/Config.ini"
}
side_options magnifier Magnifier=1
side_options sample Sample=5
side() {
  "$root/tests/x11/xvfb-run.sh" -- "$root/tests/bench/wine-rest.sh" "$work/prefix-$1" "$2" "$3" \
    "$ROUNDS" ${4:-} >"$work/rest-$1" 2>"$work/rest-$1.err"
}
side velmora "$velmora" Velmora &
side magnifier "$velmora" Velmora --loupe &
side sample "$velmora" Velmora &
side bare "$bare_reader" "" &
wait
for side in velmora magnifier sample bare; do
  [ "$(grep -c '^[0-9]' "$work/rest-$side")" -eq "$ROUNDS" ] || {
    echo "run.sh: the $side side measured no rest" >&2; cat "$work/rest-$side.err" >&2; exit 1; }
done
loupe_repaints=$(awk '$1 == "repaints" {print $2}' "$work/rest-magnifier")
# "median min max" of the rounds' ratios of a side's CPU to the bare reader's.
ratios() {
  paste "$work/rest-$1" "$work/rest-bare" | awk '/^[0-9]/ {print ($1 + $2) / ($3 + $4)}' |
    sort -g | awk '{v[NR] = $1} END {printf "%.2f %.2f %.2f\n", v[int((NR + 1) / 2)], v[1], v[NR]}'
}
# "median_program_ms median_servers_ms" of a side's rounds.
medians() {
  local p s
  p=$(awk '/^[0-9]/ {print $1 / 1e6}' "$work/rest-$1" | median)
  s=$(awk '/^[0-9]/ {print $2 / 1e6}' "$work/rest-$1" | median)
  echo "$p $s"
}
read -r rest_ratio rest_min rest_max < <(ratios velmora)
read -r mag_ratio mag_min mag_max < <(ratios magnifier)
read -r sample_ratio sample_min sample_max < <(ratios sample)
# The 5 x 5 sample against the one pixel, round by round.
read -r sample_vs sample_vs_min sample_vs_max < <(
  paste "$work/rest-sample" "$work/rest-velmora" | awk '/^[0-9]/ {print ($1 + $2) / ($3 + $4)}' |
    sort -g | awk '{v[NR] = $1} END {printf "%.2f %.2f %.2f\n", v[int((NR + 1) / 2)], v[1], v[NR]}')
read -r vel_ms vel_servers_ms < <(medians velmora)
read -r mag_ms mag_servers_ms < <(medians magnifier)
read -r bare_ms bare_servers_ms < <(medians bare)

# 4. Private memory against the bare window's, measured the same way from
#    outside (Private_Dirty: Wine's own heaps are in both).
velmora_kb=$(memory_kb Velmora wine "$velmora")
bare_kb=$(memory_kb "Velmora bare window" wine "$bare")

# 4b. Private memory with the magnifier on (a Config.ini in the session's
#     prefix that says so, put back as it was afterwards) against the strip
#     alone above.
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
restore_config

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
    -v rr="$rest_ratio" -v rlo="$rest_min" -v rhi="$rest_max" -v rounds="$ROUNDS" -v secs="$REST_SECONDS" \
    -v vms="$vel_ms" -v vsms="$vel_servers_ms" -v bms="$bare_ms" -v bsms="$bare_servers_ms" \
    -v mr="$mag_ratio" -v mlo="$mag_min" -v mhi="$mag_max" -v mms="$mag_ms" -v msms="$mag_servers_ms" \
    -v sr5="$sample_ratio" -v sv="$sample_vs" -v svlo="$sample_vs_min" -v svhi="$sample_vs_max" \
    -v vs_ms="$velmora_start" -v bs_ms="$bare_start" -v vq1="$velmora_q1" -v vq3="$velmora_q3" \
    -v sr="$start_ratio" -v sq1="$start_q1" -v sq3="$start_q3" \
    -v bq1="$bare_q1" -v bq3="$bare_q3" -v starts="$STARTS" -v kb0="$kb0" -v kb1="$kb1" \
    -v vkb="$velmora_kb" -v bkb="$bare_kb" -v size="$size_kb" -v dlls="$dlls" \
    -v mkb="$magnifier_kb" -v mrep="$loupe_repaints" 'BEGIN {
  f = "%-38s %-44s %s\n"
  printf f, "Figure", "Measured", "Goal"
  printf f, "tick (WM_TIMER) / bare pixel read", sprintf("%.2f (%.1f us / %.1f us)", tick / bare, tick, bare), "<= 1.10"
  printf f, "tick (handler called) / bare read", sprintf("%.2f (%.1f us / %.1f us)", direct / bare, direct, bare), "<= 1.10"
  printf f, "repaints per second at rest", sprintf("%.2f", rps), "0"
  printf f, "CPU at rest / bare reader", sprintf("%.2f (median of %d rounds of %d s side by side, %.2f-%.2f)", rr, rounds, secs, rlo, rhi), "<= 1.05"
  printf f, "  medians, program + servers", sprintf("Velmora %.1f+%.1f ms, bare %.1f+%.1f ms", vms, vsms, bms, bsms), ""
  printf f, "CPU at rest, share of one core", sprintf("%.3f %% (with its Wine and X servers)", (vms + vsms) / 1e3 / secs * 100), ""
  printf f, "CPU at rest, magnifier / bare", sprintf("%.2f (median, %.2f-%.2f; %.1f+%.1f ms)", mr, mlo, mhi, mms, msms), "<= 1.5"
  printf f, "loupe repaints per second at rest", sprintf("%.2f (%d in 3 s)", mrep / 3, mrep), "0"
  printf f, "CPU at rest, 5 x 5 sample / 1 pixel", sprintf("%.2f (median, %.2f-%.2f; %.2f against bare)", sv, svlo, svhi, sr5), "<= 1.1"
  printf f, "start-up / bare window start-up", sprintf("%.2f (median ratio of %d pairs, quartiles %.2f-%.2f)", sr, starts, sq1, sq3), "<= 1.15"
  printf f, "  start-up medians", sprintf("%d ms [%d-%d] / %d ms [%d-%d]", vs_ms, vq1, vq3, bs_ms, bq1, bq3), ""
  printf f, "private memory / bare window", sprintf("%d KB / %d KB (%+d KB)", vkb, bkb, vkb - bkb), "<= +1024 KB"
  printf f, "private memory, magnifier on", sprintf("%d KB / %d KB strip alone (%+d KB)", mkb, vkb, mkb - vkb), "<= +1024 KB"
  printf f, "private memory, 10,000 ticks", sprintf("%d KB -> %d KB (%+d KB, in the bench)", kb0, kb1, kb1 - kb0), "flat"
  printf f, "Velmora.exe size", sprintf("%d KB", size), "<= 300 KB"
  printf f, "imported DLLs", dlls, "system DLLs only"
}'
