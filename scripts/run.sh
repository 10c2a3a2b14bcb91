#!/usr/bin/env bash
# Starts the native Velmora (`make run` builds it first).
# With an X display it runs until you close it. Without one it runs on a
# virtual display, expands the window after about two seconds, saves a
# screenshot of it to
# build/velmora-screenshot.png, prints that path and ends Velmora with
# SIGTERM (which saves the colour box, as closing it does).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/linux/velmora
[ -x "$program" ] || { echo "No $program: run 'make linux' first." >&2; exit 1; }

if [ -z "${VELMORA_ON_VIRTUAL_DISPLAY:-}" ]; then
  # A $DISPLAY left over from a closed desktop or a dropped ssh link counts as none.
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then exec "$program"; fi
  VELMORA_ON_VIRTUAL_DISPLAY=1 exec "$root/tests/x11/xvfb-run.sh" -- "$0" "$@"
fi

shot=$root/build/velmora-screenshot.png
"$program" &
velmora=$!
sleep 2
window=$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | head -n 1 || true)
if [ -n "$window" ]; then
  # Expanded, as a user sees it after ">>", with the pointer off the window
  # (no tooltip) on the blank screen; the shot is the window alone.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + 248)) $((Y + 24)) click 1
  sleep 1
  xdotool mousemove 0 $((Y + 400))
  sleep 0.5
  import -window "$window" "$shot"
else
  import -window root "$shot"
fi
kill -TERM $velmora 2>/dev/null || true
wait $velmora 2>/dev/null || true
echo "$shot"
