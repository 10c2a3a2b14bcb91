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
REST_SECONDS=${REST_SECONDS:-8}  # each round of the CPU at rest
ROUNDS=${ROUNDS:-5}
xvfb=$root/tests/x11/xvfb-run.sh
. "$root/tests/bench/bench-lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Velmora's Config.ini goes to a folder of this run.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$XDG_CONFIG_HOME"
export STARTS REST_SECONDS ROUNDS
for program in "$velmora" "$bench" "$bare_reader" "$bare_window"; do
  [ -x "$program" ] || { echo "run.sh: no $program: run 'make linux' first." >&2; exit 1; }
done

# 1. Inside one process: tick against bare read, repaints at rest, memory.
"$xvfb" -- "$bench" >"$work/bench.txt" 2>"$work/bench.err" || {
  echo "run.sh: velmora_bench_x11 failed" >&2; cat "$work/bench.txt" "$work/bench.err" >&2; exit 1; }

# 2. CPU at rest, Velmora, Velmora with the magnifier on (a Config.ini of its
#    own that says so), the bare reader and a bare GTK window making the same
#    read side by side, each on an X server of its own so that the server's
#    share is its alone, in ROUNDS rounds that rest through the same seconds.
mkdir -p "$work/magnifier/Quorvane/Velmora" "$work/sample/Quorvane/Velmora" "$work/plain"
printf '[Options]\nMagnifier=1\n' >"$work/magnifier/Quorvane/Velmora/Config.ini"
printf '[Options]\nSample=5\n' >"$work/sample/Quorvane/Velmora/Config.ini"
"$xvfb" -- "$here/on-display.sh" --rest "$velmora" Velmora >"$work/velmora_rest" &
XDG_CONFIG_HOME=$work/magnifier "$xvfb" -- "$here/on-display.sh" --rest "$velmora" Velmora \
  >"$work/magnifier_rest" &
XDG_CONFIG_HOME=$work/sample "$xvfb" -- "$here/on-display.sh" --rest "$velmora" Velmora \
  >"$work/sample_rest" &
"$xvfb" -- "$here/on-display.sh" --rest "$bare_reader" "" >"$work/bare_rest" &
"$xvfb" -- "$here/on-display.sh" --rest "$bare_window" "Velmora bare window" --read \
  >"$work/gtk_rest" &
wait
for side in velmora magnifier sample bare gtk; do
  [ "$(grep -c . "$work/${side}_rest")" -eq "$ROUNDS" ] ||
    { echo "run.sh: the $side side measured no rest" >&2; exit 1; }
done

# 2b. The magnifier's private memory against the strip alone, and the
#     loupe's paints at rest.
"$xvfb" -- "$here/on-display.sh" --magnifier "$velmora" Velmora "$work/plain" "$work/magnifier" \
  >"$work/magnifier_memory"

# 3. Start-up and private memory against a bare GTK 3 window, alternating.
"$xvfb" -- "$here/on-display.sh" --starts "$velmora" Velmora "$bare_window" \
  "Velmora bare window" >"$work/starts"

value() { awk -v k="$1" '$1 == k {print $2}' "$work/bench.txt" "$work/starts"; }
# "median lower upper" of the starts' ratios.
start_quartiles() { awk '$1 == "ratio" {print $2, $3, $4}' "$work/starts"; }
# "median min max" of the rounds' ratios of a side's CPU run time to another
# side's, round by round.
ratios() {
  paste -d' ' "$work/$1_rest" "$work/$2_rest" | awk '{print ($3 + $4) / ($7 + $8)}' |
    sort -g | awk '{v[NR] = $1} END {printf "%.2f %.2f %.2f\n", v[int((NR + 1) / 2)], v[1], v[NR]}'
}
# "median_program median_server" of a side's rounds, in ms of run time.
medians() {
  echo "$(awk '{print $3 / 1e6}' "$work/$1_rest" | median) $(awk '{print $4 / 1e6}' "$work/$1_rest" | median)"
}
# Clock ticks are too coarse for a round: their ratio is of the rounds' sums.
ticks_ratio=$(paste -d' ' "$work/velmora_rest" "$work/bare_rest" |
  awk '{v += $1 + $2; b += $5 + $6} END {print (b > 0 ? sprintf("%.2f", v / b) : "n/a")}')
read -r run_ratio run_lo run_hi < <(ratios velmora bare)
read -r gtk_ratio gtk_lo gtk_hi < <(ratios velmora gtk)
read -r mag_ratio mag_lo mag_hi < <(ratios magnifier bare)
read -r sample_ratio sample_lo sample_hi < <(ratios sample velmora)
read -r vms vsms < <(medians velmora)
read -r bms bsms < <(medians bare)
read -r gms gsms < <(medians gtk)
read -r mms msms < <(medians magnifier)
read -r mag_kb plain_kb mag_repaints <"$work/magnifier_memory"
awk -v heading="$heading" -v secs="$REST_SECONDS" -v rounds="$ROUNDS" \
    -v tick="$(value tick_us)" -v direct="$(value direct_tick_us)" -v bare="$(value bare_read_us)" \
    -v rps="$(value repaints_per_s)" -v ticks="$(value memory_ticks)" \
    -v repaints="$(value memory_tick_repaints)" \
    -v kb0="$(value private_kb_startup)" -v kb1="$(value private_kb_after_ticks)" \
    -v tr="$ticks_ratio" \
    -v rr="$run_ratio" -v rlo="$run_lo" -v rhi="$run_hi" -v gr="$gtk_ratio" -v glo="$gtk_lo" \
    -v ghi="$gtk_hi" -v mr="$mag_ratio" -v mlo="$mag_lo" -v mhi="$mag_hi" \
    -v vms="$vms" -v vsms="$vsms" -v bms="$bms" -v bsms="$bsms" -v gms="$gms" -v gsms="$gsms" \
    -v mms="$mms" -v msms="$msms" -v s5="$sample_ratio" -v s5lo="$sample_lo" -v s5hi="$sample_hi" \
    -v vstart="$(value program_ms)" -v bstart="$(value bare_ms)" -v starts="$(start_quartiles)" \
    -v vkb="$(value velmora_private_kb)" -v bkb="$(value bare_private_kb)" \
    -v mkb="$mag_kb" -v pkb="$plain_kb" -v mrep="$mag_repaints" 'BEGIN {
  f = "%-38s %-44s %s\n"
  thousands = ticks >= 1000 ? sprintf("%d,%03d", ticks / 1000, ticks % 1000) : ticks
  if (heading) printf f, "Figure", "Measured", "Goal"
  printf f, "native: tick / bare pixel read", sprintf("%.2f (%.1f us / %.1f us)", tick / bare, tick, bare), "<= 1.10"
  printf f, "native: tick (handler) / bare read", sprintf("%.2f (%.1f us / %.1f us)", direct / bare, direct, bare), "<= 1.10"
  printf f, "native: repaints per second at rest", sprintf("%.2f", rps), "0"
  printf f, "native: CPU at rest / bare Xlib reader", sprintf("%s (ticks, %d rounds of %d s side by side)", tr, rounds, secs), "<= 1.10"
  printf f, "native: CPU at rest / bare, run time", sprintf("%.2f (%.2f-%.2f; medians %.1f+%.1f / %.1f+%.1f ms)", rr, rlo, rhi, vms, vsms, bms, bsms), "<= 1.10"
  printf f, "native: CPU at rest / bare GTK reader", sprintf("%.2f (%.2f-%.2f; medians %.1f+%.1f / %.1f+%.1f ms)", gr, glo, ghi, vms, vsms, gms, gsms), "<= 1.10"
  printf f, "native: CPU at rest, share of one core", sprintf("%.3f %% (with its X server)", (vms + vsms) / 1e3 / secs * 100), ""
  printf f, "native: CPU at rest, magnifier / bare", sprintf("%.2f (run time, %.2f-%.2f; %.1f+%.1f ms)", mr, mlo, mhi, mms, msms), "<= 1.5"
  printf f, "native: loupe repaints per s at rest", sprintf("%.2f (%d in 3 s)", mrep / 3, mrep), "0"
  printf f, "native: CPU at rest, 5 x 5 / 1 pixel", sprintf("%.2f (run time, %.2f-%.2f)", s5, s5lo, s5hi), "<= 1.1"
  split(starts, sr, " ")
  printf f, "native: start-up / bare GTK window", sprintf("%.2f (median ratio, quartiles %.2f-%.2f; %d ms / %d ms)", sr[1], sr[2], sr[3], vstart, bstart), "<= 1.2"
  printf f, "native: private memory / bare GTK win.", sprintf("%d KB / %d KB (%+d KB)", vkb, bkb, vkb - bkb), "<= +2048 KB"
  printf f, "native: private memory, magnifier on", sprintf("%d KB / %d KB strip alone (%+d KB)", mkb, pkb, mkb - pkb), "<= +1024 KB"
  printf f, "native: private memory, " thousands " ticks", sprintf("%d KB -> %d KB (%+d KB, %d repaints)", kb0, kb1, kb1 - kb0, repaints), "flat"
}'
