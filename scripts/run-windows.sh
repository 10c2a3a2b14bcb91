#!/usr/bin/env bash
# Starts Velmora.exe under Wine (`make run-windows` builds it first).
# With a display it runs until you close it. Without one it runs on a virtual
# display, saves a screenshot after about three seconds to
# build/velmora-screenshot.png, prints that path and closes Velmora.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
exe=$build/Velmora.exe
[ -f "$exe" ] || { echo "No $exe: run 'make wine-build' first." >&2; exit 1; }

if [ -z "${VELMORA_ON_VIRTUAL_DISPLAY:-}" ]; then
  # A $DISPLAY left over from a closed desktop or a dropped ssh link counts as none.
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    . "$root/tests/wine/wine-env.sh"
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
    "$root/scripts/wine-fonts.sh"
    exec wine "$exe"
  fi
  VELMORA_ON_VIRTUAL_DISPLAY=1 exec "$root/tests/wine/session.sh" "$0" "$@"
fi

shot=$root/build/velmora-screenshot.png
wine "$exe" &
velmora=$!
sleep 3
import -window root "$shot"
# Closing it the way a user's "close" does: WM_CLOSE, so the colour box is written.
wine taskkill /im Velmora.exe >/dev/null 2>&1 || true
for _ in $(seq 50); do kill -0 $velmora 2>/dev/null || break; sleep 0.1; done
kill $velmora 2>/dev/null || true
wait $velmora 2>/dev/null || true
echo "$shot"
