# Shell functions the benchmark scripts share (sourced, not run).

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR + 1) / 2)]}'; }

# Starts a command in a process group of its own; prints its pid.
launch() {
  setsid "$@" </dev/null >/dev/null 2>&1 &
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
    [ "$(date +%s)" -lt "$deadline" ] || { echo "$0: no window '$1'" >&2; return 1; }
  done
}
# CPU time of processes: clock ticks (utime + stime, /proc/<pid>/stat) and,
# for a finer grain, nanoseconds every thread has run (schedstat's first
# field), each summed over the pids given. (%.0f: mawk's %d stops at 2^31.)
cpu_ticks() { for p in "$@"; do cat "/proc/$p/stat"; done | awk '{t += $14 + $15} END {print t}'; }
run_ns() {
  for p in "$@"; do cat /proc/"$p"/task/*/schedstat; done | awk '{t += $1} END {printf "%.0f\n", t}'
}
# Private_Dirty of $1 in KB (smaps_rollup).
private_kb() { awk '$1 == "Private_Dirty:" {print $2}' "/proc/$1/smaps_rollup"; }

# The pid of the X server of $DISPLAY: the Wine session's, or from the
# server's lock file.
x_server_pid() {
  if [ -n "${VELMORA_X_SERVER_PID:-}" ]; then echo "$VELMORA_X_SERVER_PID"; return; fi
  local n=${DISPLAY#:}
  tr -d ' \n' <"/tmp/.X${n%%.*}-lock"
}

# Private_Dirty in KB of the command after $1, two seconds after its window
# titled $1 was mapped.
memory_kb() {
  local title=$1 pid
  shift
  pid=$(launch "$@")
  wait_mapped "$title"
  sleep 2
  private_kb "$pid"
  stop "$pid"
}
