#!/usr/bin/env bash
# Runs a command with one virtual X display (1024 x 768) and one Wine prefix
# shared by everything it starts, then stops both.
#   tests/wine/session.sh ctest --preset windows
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/wine/wine-env.sh"

# One session at a time per prefix: sessions share the prefix's wineserver,
# so two at once, each on its own display, break each other's windows, and
# each one's clean-up would stop the other's programs. Later ones wait.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
if ! flock -n 9; then
  echo "session.sh: waiting for the other Wine session on $WINEPREFIX" >&2
  flock 9
fi

# A free display number.
n=90
while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 9>&- &
xvfb=$!
export DISPLAY=:$n
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill $xvfb >/dev/null 2>&1 || true
  wait $xvfb 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 9>&- || true
fi
wineserver -p >/dev/null 2>&1 9>&- || true
# NOTE: the first Windows program of a session starts Wine's own services
# (services.exe, winedevice.exe, ...), which live on holding that program's
# standard error; under ctest that pipe then never closes and the test runs
# into its timeout. Started here, with no output, they stay off the tests'
# pipes.
wineboot </dev/null >/dev/null 2>&1 9>&- || true
"$@" 9>&-
