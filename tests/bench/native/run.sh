#!/usr/bin/env bash
# The native program's rows of Velmora's benchmark table (`make bench`), each
# part on private virtual displays of its own (tests/x11/xvfb-run.sh):
#   tests/bench/native/run.sh [--rows-only] [build/linux]
# --rows-only leaves out the table's heading, for rows that follow another
# table's. Every figure is a ratio or a difference against its own yardstick
# measured in the same run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
heading=1
if [ "${1:-}" = --rows-only ]; then heading=0; shift; fi
build=${1:-$root/build/linux}
velmora=$build/velmora
bench=$build/tests/bench/native/velmora_bench_x11
bare_reader=$build/tests/bench/native/bare_reader
bare_window=$build/tests/bench/native/bare_gtk_window
STARTS=${STARTS:-7}
REST_SECONDS=${REST_SECONDS:-30}
xvfb=$root/tests/x11/xvfb-run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Velmora's Config.ini goes to a folder of this run.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$XDG_CONFIG_HOME"
export STARTS REST_SECONDS
for program in "$velmora" "$bench" "$bare_reader" "$bare_window"; do
  [ -x "$program" ] || { echo "run.sh: no $program: run 'make linux' first." >&2; exit 1; }
done

# 1. Inside one process: tick against bare read, repaints at rest, memory.
"$xvfb" -- "$bench" >"$work/bench.txt" 2>"$work/bench.err" || {
  echo "run.sh: velmora_bench_x11 failed" >&2; cat "$work/bench.txt" "$work/bench.err" >&2; exit 1; }

# 2. CPU at rest, Velmora, the bare reader and a bare GTK window making the
#    same read side by side, each on an X server of its own so that the
#    server's share is its alone.
"$xvfb" -- "$here/on-display.sh" --rest "$velmora" Velmora >"$work/velmora_rest" &
velmora_job=$!
"$xvfb" -- "$here/on-display.sh" --rest "$bare_reader" "" >"$work/bare_rest" &
bare_job=$!
"$xvfb" -- "$here/on-display.sh" --rest "$bare_window" "Velmora bare window" --read \
  >"$work/gtk_rest" &
gtk_job=$!
wait "$velmora_job"
wait "$bare_job"
wait "$gtk_job"

# 2b. With the magnifier on (a Config.ini of its own that says so): private
#     memory against the strip alone, CPU at rest, the loupe's paints.
mkdir -p "$work/magnifier/Quorvane/Velmora" "$work/plain"
printf '[Options]\nMagnifier=1\n' >"$work/magnifier/Quorvane/Velmora/Config.ini"
"$xvfb" -- "$here/on-display.sh" --magnifier "$velmora" Velmora "$work/plain" "$work/magnifier" \
  >"$work/magnifier_rest"

# 3. Start-up and private memory against a bare GTK 3 window, alternating.
"$xvfb" -- "$here/on-display.sh" --starts "$velmora" Velmora "$bare_window" \
  "Velmora bare window" >"$work/starts"

value() { awk -v k="$1" '$1 == k {print $2}' "$work/bench.txt" "$work/starts"; }
read -r vel_prog vel_server vel_ns vel_server_ns <"$work/velmora_rest"
read -r bare_prog bare_server bare_ns bare_server_ns <"$work/bare_rest"
read -r gtk_prog gtk_server gtk_ns gtk_server_ns <"$work/gtk_rest"
read -r mag_prog mag_server mag_ns mag_server_ns mag_kb plain_kb mag_repaints <"$work/magnifier_rest"
awk -v heading="$heading" -v hz="$(getconf CLK_TCK)" -v secs="$REST_SECONDS" \
    -v tick="$(value tick_us)" -v direct="$(value direct_tick_us)" -v bare="$(value bare_read_us)" \
    -v rps="$(value repaints_per_s)" -v ticks="$(value memory_ticks)" \
    -v repaints="$(value memory_tick_repaints)" \
    -v kb0="$(value private_kb_startup)" -v kb1="$(value private_kb_after_ticks)" \
    -v vp="$vel_prog" -v vs="$vel_server" -v bp="$bare_prog" -v bs="$bare_server" \
    -v vn="$vel_ns" -v vsn="$vel_server_ns" -v bn="$bare_ns" -v bsn="$bare_server_ns" \
    -v gn="$gtk_ns" -v gsn="$gtk_server_ns" \
    -v vstart="$(value velmora_start_ms)" -v bstart="$(value bare_start_ms)" \
    -v vkb="$(value velmora_private_kb)" -v bkb="$(value bare_private_kb)" \
    -v mp="$mag_prog" -v ms="$mag_server" -v mn="$mag_ns" -v msn="$mag_server_ns" \
    -v mkb="$mag_kb" -v pkb="$plain_kb" -v mrep="$mag_repaints" 'BEGIN {
  f = "%-38s %-44s %s\n"
  ticks_ratio = bp + bs > 0 ? sprintf("%.2f", (vp + vs) / (bp + bs)) : "n/a"
  thousands = ticks >= 1000 ? sprintf("%d,%03d", ticks / 1000, ticks % 1000) : ticks
  if (heading) printf f, "Figure", "Measured", "Goal"
  printf f, "native: tick / bare pixel read", sprintf("%.2f (%.1f us / %.1f us)", tick / bare, tick, bare), "<= 1.10"
  printf f, "native: tick (handler) / bare read", sprintf("%.2f (%.1f us / %.1f us)", direct / bare, direct, bare), "<= 1.10"
  printf f, "native: repaints per second at rest", sprintf("%.2f", rps), "0"
  printf f, "native: CPU at rest / bare Xlib reader", sprintf("%s (%d+%d / %d+%d ticks of 1/%d s)", ticks_ratio, vp, vs, bp, bs, hz), "<= 1.10"
  printf f, "native: CPU at rest / bare, run time", sprintf("%.2f (%.0f+%.0f / %.0f+%.0f ms)", (vn + vsn) / (bn + bsn), vn / 1e6, vsn / 1e6, bn / 1e6, bsn / 1e6), "<= 1.10"
  printf f, "native: CPU at rest / bare GTK reader", sprintf("%.2f (%.0f+%.0f / %.0f+%.0f ms)", (vn + vsn) / (gn + gsn), vn / 1e6, vsn / 1e6, gn / 1e6, gsn / 1e6), "<= 1.10"
  printf f, "native: CPU at rest, share of one core", sprintf("%.3f %% (with its X server, %d s)", (vn + vsn) / 1e9 / secs * 100, secs), ""
  mag_ratio = bp + bs > 0 ? sprintf("%.2f", (mp + ms) / (bp + bs)) : "n/a"
  printf f, "native: CPU at rest, magnifier / bare", sprintf("%s (%d+%d / %d+%d ticks of 1/%d s)", mag_ratio, mp, ms, bp, bs, hz), "<= 1.5"
  printf f, "native: same, magnifier, run time", sprintf("%.2f (%.0f+%.0f / %.0f+%.0f ms)", (mn + msn) / (bn + bsn), mn / 1e6, msn / 1e6, bn / 1e6, bsn / 1e6), "<= 1.5"
  printf f, "native: loupe repaints per s at rest", sprintf("%.2f (%d in 3 s)", mrep / 3, mrep), "0"
  printf f, "native: start-up / bare GTK window", sprintf("%.2f (%d ms / %d ms)", vstart / bstart, vstart, bstart), "<= 1.2"
  printf f, "native: private memory / bare GTK win.", sprintf("%d KB / %d KB (%+d KB)", vkb, bkb, vkb - bkb), "<= +2048 KB"
  printf f, "native: private memory, magnifier on", sprintf("%d KB / %d KB strip alone (%+d KB)", mkb, pkb, mkb - pkb), "<= +1024 KB"
  printf f, "native: private memory, " thousands " ticks", sprintf("%d KB -> %d KB (%+d KB, %d repaints)", kb0, kb1, kb1 - kb0, repaints), "flat"
}'
