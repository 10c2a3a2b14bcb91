#!/usr/bin/env bash
# One side of the Windows rows' CPU at rest (tests/bench/run.sh): a Windows
# program on a display and a Wine prefix of its own, so that its Wine server
# and X server serve nothing else, measured in rounds while the other
# programs of the table rest beside it in theirs:
#   xvfb-run.sh -- wine-rest.sh PREFIX EXE TITLE ROUNDS [--loupe]
# Each round starts EXE, waits until it has settled (its window, titled TITLE
# or "" for none, mapped, then SETTLE_SECONDS with the pointer still), adds
# up the run time of every thread of the program, its Wine server and its X
# server over REST_SECONDS, and stops it. One line per round:
# "program_ns servers_ns"; with --loupe, a last line "repaints N": the
# magnifier's paints over 3 s of the last round (count_repaints.py).
# A first round, not printed, lets the prefix's own services start and settle.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
prefix=$1 exe=$2 title=$3 rounds=$4 loupe=${5:-}
SETTLE_SECONDS=${SETTLE_SECONDS:-4}
REST_SECONDS=${REST_SECONDS:-8}
. "$root/tests/wine/wine-env.sh"
. "$here/bench-lib.sh"
# NOTE: $HOME stays the session's: the prefix's user folders link into it.
export WINEPREFIX=$prefix
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# The prefix's server stays up between rounds, with its services.
wineserver -p >/dev/null 2>&1 || true

# The pid of the Wine server of $WINEPREFIX (bench-lib.sh's way, here).
server=$(
  read -r device inode < <(stat -c '%d %i' "$WINEPREFIX")
  folder=$(printf 'server-%x-%x' "$device" "$inode")
  for p in $(pgrep wineserver); do
    case $(readlink "/proc/$p/cwd") in */"$folder") echo "$p" ;; esac
  done | head -1)
[ -n "$server" ] || { echo "wine-rest.sh: no Wine server for $WINEPREFIX" >&2; exit 1; }
servers="$server $(x_server_pid)"

for round in $(seq 0 "$rounds"); do
  pid=$(launch wine "$exe")
  if [ -n "$title" ]; then wait_mapped "$title"; fi
  xdotool mousemove 8 8
  sleep "$SETTLE_SECONDS"
  # shellcheck disable=SC2086
  n0=$(run_ns "$pid") m0=$(run_ns $servers)
  sleep "$REST_SECONDS"
  # shellcheck disable=SC2086
  n1=$(run_ns "$pid") m1=$(run_ns $servers)
  if [ -n "$loupe" ] && [ "$round" -eq "$rounds" ]; then
    repaints=$(python3 "$here/count_repaints.py" "Velmora Magnifier" 3 | awk '{print $2}')
  fi
  grep -q "$(basename "$exe")" "/proc/$pid/cmdline" || echo "wine-rest.sh: pid $pid is not $exe" >&2
  stop "$pid"
  [ "$round" -eq 0 ] || echo "$((n1 - n0)) $((m1 - m0))"
done
if [ -n "$loupe" ]; then echo "repaints $repaints"; fi
