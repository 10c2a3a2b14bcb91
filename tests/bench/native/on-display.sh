#!/usr/bin/env bash
# The parts of tests/bench/native/run.sh that run on one X display ($DISPLAY,
# a private Xvfb of tests/x11/xvfb-run.sh):
#   on-display.sh --rest PROGRAM TITLE [ARGUMENT...]
#     ROUNDS rounds, after a first one that is not printed: PROGRAM started
#     (with the arguments), settled (its window, titled TITLE or "" for none,
#     mapped and SETTLE_SECONDS with the pointer still), then its CPU ticks
#     (utime + stime, /proc/<pid>/stat) and the X server's over REST_SECONDS,
#     and the same as nanoseconds of run time; a line a round: "program server
#     program_ns server_ns".
#   on-display.sh --magnifier PROGRAM TITLE PLAIN_CONFIG MAGNIFIER_CONFIG
#     PROGRAM once with each $XDG_CONFIG_HOME given (the second's Config.ini
#     turns the magnifier on), after a first start that is not measured:
#     Private_Dirty of each two seconds after its window is mapped and the
#     pointer rests, then with the magnifier on the loupe's paints over three
#     seconds (count_repaints.py): "magnifier_kb plain_kb repaints".
#   on-display.sh --starts PROGRAM TITLE BARE BARE_TITLE
#     milliseconds from launch to the mapped window over STARTS alternating
#     runs (starts.py's lines: "program_ms", "bare_ms" and "ratio", each
#     "median lower_quartile upper_quartile"), and Private_Dirty
#     (smaps_rollup) after start-up.
set -euo pipefail
STARTS=${STARTS:-15}
REST_SECONDS=${REST_SECONDS:-8}
SETTLE_SECONDS=${SETTLE_SECONDS:-4}
ROUNDS=${ROUNDS:-5}
. "$(dirname "$0")/../bench-lib.sh"


rest() {
  local program=$1 title=$2 pid server round c0 s0 n0 m0 c1 s1 n1 m1
  shift 2
  server=$(x_server_pid)
  for round in $(seq 0 "$ROUNDS"); do
    pid=$(launch "$program" "$@")
    if [ -n "$title" ]; then wait_mapped "$title"; fi
    xdotool mousemove 8 8
    sleep "$SETTLE_SECONDS"
    c0=$(cpu_ticks "$pid") s0=$(cpu_ticks "$server") n0=$(run_ns "$pid") m0=$(run_ns "$server")
    sleep "$REST_SECONDS"
    c1=$(cpu_ticks "$pid") s1=$(cpu_ticks "$server") n1=$(run_ns "$pid") m1=$(run_ns "$server")
    [ "$(readlink "/proc/$pid/exe")" = "$(readlink -f "$program")" ] ||
      echo "on-display.sh: pid $pid is not $program" >&2
    stop "$pid"
    [ "$round" -eq 0 ] || echo "$((c1 - c0)) $((s1 - s0)) $((n1 - n0)) $((m1 - m0))"
  done
}


# Private_Dirty in KB of a started pid, two seconds after its window titled
# $2 is mapped with the pointer at rest.
resting_kb() {
  wait_mapped "$2"
  xdotool mousemove 8 8
  sleep 2
  private_kb "$1"
}


magnifier() {
  local program=$1 title=$2 plain=$3 with=$4 pid kb plain_kb repaints
  # NOTE: the first program on a fresh display takes far more memory than
  # every later one: not measured.
  pid=$(XDG_CONFIG_HOME=$plain launch "$program")
  resting_kb "$pid" "$title" >/dev/null
  stop "$pid"
  pid=$(XDG_CONFIG_HOME=$plain launch "$program")
  plain_kb=$(resting_kb "$pid" "$title")
  stop "$pid"
  pid=$(XDG_CONFIG_HOME=$with launch "$program")
  kb=$(resting_kb "$pid" "$title")
  wait_mapped "Velmora Magnifier"
  repaints=$(python3 "$(dirname "$0")/../count_repaints.py" "Velmora Magnifier" 3 | awk '{print $2}')
  stop "$pid"
  echo "$kb $plain_kb $repaints"
}


starts() {
  local program=$1 title=$2 bare=$3 bare_title=$4
  python3 "$(dirname "$0")/../starts.py" "$STARTS" "$title" "$program" -- "$bare_title" "$bare"
  echo "velmora_private_kb $(memory_kb "$title" "$program")"
  echo "bare_private_kb $(memory_kb "$bare_title" "$bare")"
}

case ${1:-} in
  --rest) shift; rest "$@" ;;
  --magnifier) magnifier "$2" "$3" "$4" "$5" ;;
  --starts) starts "$2" "$3" "$4" "$5" ;;
  *) echo "on-display.sh: --rest or --starts" >&2; exit 2 ;;
esac
