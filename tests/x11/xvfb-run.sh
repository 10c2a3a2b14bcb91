#!/usr/bin/env bash
# Runs a command on a private virtual X display of its own, then stops it.
#   tests/x11/xvfb-run.sh [--scale N] [--two-monitors] -- command ...
# --scale N       the desktop's scale factor (GDK_SCALE)
# --two-monitors  a 2048 x 768 screen as two monitors side by side, the
#                 right one primary
set -euo pipefail
scale=1
monitors=1
while [ $# -gt 0 ]; do
  case $1 in
    --scale) scale=$2; shift 2 ;;
    --two-monitors) monitors=2; shift ;;
    --) shift; break ;;
    *) echo "xvfb-run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

size=1024x768x24
[ $monitors -eq 2 ] && size=2048x768x24

# A free display number; the lock file makes the choice ours.
n=120
while :; do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
    Xvfb :$n -screen 0 $size -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; kill -0 $xvfb 2>/dev/null || break; sleep 0.05; done
    kill -0 $xvfb 2>/dev/null && [ -e /tmp/.X11-unix/X$n ] && break
  fi
  n=$((n + 1))
done
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT

export DISPLAY=:$n GDK_SCALE=$scale
# A session of its own: X11, no desktop services of the caller's.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE GDK_BACKEND GDK_DPI_SCALE DBUS_SESSION_BUS_ADDRESS
export NO_AT_BRIDGE=1

if [ $monitors -eq 2 ]; then
  xrandr --setmonitor left 1024/271x768/203+0+0 none >/dev/null
  xrandr --setmonitor '*right' 1024/271x768/203+1024+0 none >/dev/null
fi
"$@"
