#!/usr/bin/env bash
# Runs a command for the native program's end-to-end tests on a private
# virtual display (tests/x11/xvfb-run.sh, 1024 x 768), with or without a
# window manager, then stops both.
#   tests/e2e/native-session.sh [--wm openbox] -- command ...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wm=none
if [ "${1:-}" = --on-display ]; then
  wm=$2
  shift 2
else
  while [ $# -gt 0 ]; do
    case $1 in
      --wm) wm=$2; shift 2 ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  exec "$here/../x11/xvfb-run.sh" -- "$0" --on-display "$wm" "$@"
fi

export VELMORA_E2E_SESSION=$wm
case $wm in
  none) exec "$@" ;;
  openbox) ;;
  *) echo "native-session.sh: unknown window manager $wm" >&2; exit 2 ;;
esac

# The window manager's own settings stay out of the tests' homes.
wmhome=$(mktemp -d)
HOME=$wmhome XDG_CONFIG_HOME=$wmhome openbox --sm-disable >"$wmhome/log" 2>&1 &
wmpid=$!
trap 'kill $wmpid 2>/dev/null || true; wait $wmpid 2>/dev/null || true; rm -rf "$wmhome"' EXIT
# Ready once it announces itself on the root window (EWMH).
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  if ! kill -0 $wmpid 2>/dev/null; then
    echo "native-session.sh: openbox did not start: $(cat "$wmhome/log")" >&2
    exit 1
  fi
  sleep 0.05
done
"$@"
