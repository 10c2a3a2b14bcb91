# Shell functions the benchmark scripts share (sourced, not run).

now_ns() { date +%s%N; }
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
# Milliseconds from launching the command after $1 to its window titled $1
# being mapped.
start_ms() {
  local title=$1 t0 pid
  shift
  t0=$(now_ns)
  pid=$(launch "$@")
  wait_mapped "$title"
  echo $((($(now_ns) - t0) / 1000000))
  stop "$pid"
  sleep 0.3
}
