#!/usr/bin/env bash
# Run by test-deb.sh on a private X display (tests/x11/xvfb-run.sh): starts
# the installed /usr/bin/velmora and prints the sizes in its window's
# _NET_WM_ICON, e.g. "16 24 32 ...".
set -euo pipefail
config=$(mktemp -d)
XDG_CONFIG_HOME=$config /usr/bin/velmora >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; rm -rf "$config"' EXIT
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no window of velmora" >&2; exit 1; }
# xprop prints "Icon (W x H):" before each image. The icon follows the
# window's first frame.
sizes=""
for _ in $(seq 50); do
  sizes=$(xprop -id "$window" -notype _NET_WM_ICON |
    sed -n 's/^.*Icon (\([0-9]*\) x \([0-9]*\)):.*$/\1/p' | tr '\n' ' ')
  [ -n "$sizes" ] && break
  sleep 0.1
done
echo "$sizes"
