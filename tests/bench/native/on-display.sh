#!/usr/bin/env bash
# The parts of tests/bench/native/run.sh that run on one X display ($DISPLAY,
# a private Xvfb of tests/x11/xvfb-run.sh):
#   on-display.sh --rest PROGRAM TITLE [ARGUMENT...]
#     CPU ticks (utime + stime, /proc/<pid>/stat) of PROGRAM (started with the
#     arguments) and of the X server over REST_SECONDS with the pointer still,
#     then the same as nanoseconds of run time: "program server program_ns
#     server_ns"; TITLE is its window's title, or "" for a program without a
#     window.
#   on-display.sh --magnifier PROGRAM TITLE PLAIN_CONFIG MAGNIFIER_CONFIG
#     PROGRAM once with each $XDG_CONFIG_HOME given (the second's Config.ini
#     turns the magnifier on), after a first start that is not measured:
#     Private_Dirty of each two seconds after its window is mapped and the
#     pointer rests, then with the magnifier on the CPU figures of --rest and
#     the loupe's paints over three seconds (count_repaints.py):
#     "program server program_ns server_ns magnifier_kb plain_kb repaints".
#   on-display.sh --starts PROGRAM TITLE BARE BARE_TITLE
#     median milliseconds from launch to the mapped window over STARTS
#     alternating runs, and Private_Dirty (smaps_rollup) after start-up.
set -euo pipefail
STARTS=${STARTS:-7}
REST_SECONDS=${REST_SECONDS:-30}
. "$(dirname "$0")/../bench-lib.sh"


rest() {
  local program=$1 title=$2 pid server c0 s0 n0 m0 c1 s1 n1 m1
  shift 2
  server=$(x_server_pid)
  pid=$(launch "$program" "$@")
  if [ -n "$title" ]; then wait_mapped "$title"; else sleep 1; fi
  xdotool mousemove 8 8
  sleep 2
  c0=$(cpu_ticks "$pid") s0=$(cpu_ticks "$server") n0=$(run_ns "$pid") m0=$(run_ns "$server")
  sleep "$REST_SECONDS"
  c1=$(cpu_ticks "$pid") s1=$(cpu_ticks "$server") n1=$(run_ns "$pid") m1=$(run_ns "$server")
  [ "$(readlink "/proc/$pid/exe")" = "$(readlink -f "$program")" ] ||
    echo "on-display.sh: pid $pid is not $program" >&2
  stop "$pid"
  echo "$((c1 - c0)) $((s1 - s0)) $((n1 - n0)) $((m1 - m0))"
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
  local program=$1 title=$2 plain=$3 with=$4 pid server kb plain_kb c0 s0 n0 m0 c1 s1 n1 m1 repaints
  server=$(x_server_pid)
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
  c0=$(cpu_ticks "$pid") s0=$(cpu_ticks "$server") n0=$(run_ns "$pid") m0=$(run_ns "$server")
  sleep "$REST_SECONDS"
  c1=$(cpu_ticks "$pid") s1=$(cpu_ticks "$server") n1=$(run_ns "$pid") m1=$(run_ns "$server")
  repaints=$(python3 "$(dirname "$0")/../count_repaints.py" "Velmora Magnifier" 3 | awk '{print $2}')
  stop "$pid"
  echo "$((c1 - c0)) $((s1 - s0)) $((n1 - n0)) $((m1 - m0)) $kb $plain_kb $repaints"
}


starts() {
  local program=$1 title=$2 bare=$3 bare_title=$4 work
  work=$(mktemp -d)
  for _ in $(seq "$STARTS"); do
    start_ms "$title" "$program" >>"$work/program"
    start_ms "$bare_title" "$bare" >>"$work/bare"
  done
  echo "velmora_start_ms $(median <"$work/program")"
  echo "bare_start_ms $(median <"$work/bare")"
  echo "velmora_private_kb $(memory_kb "$title" "$program")"
  echo "bare_private_kb $(memory_kb "$bare_title" "$bare")"
  rm -rf "$work"
}

case ${1:-} in
  --rest) shift; rest "$@" ;;
  --magnifier) magnifier "$2" "$3" "$4" "$5" ;;
  --starts) starts "$2" "$3" "$4" "$5" ;;
  *) echo "on-display.sh: --rest or --starts" >&2; exit 2 ;;
esac
