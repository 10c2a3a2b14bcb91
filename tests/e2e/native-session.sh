#!/usr/bin/env bash
# Runs a command for the native program's end-to-end tests on a private
# virtual display (tests/x11/xvfb-run.sh, 1024 x 768), with no window manager
# or under openbox, then stops it.
#   tests/e2e/native-session.sh [--wm none|openbox] -- command ...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wm=none
while [ $# -gt 0 ]; do
  case $1 in
    --wm) wm=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
options=()
case $wm in
  none) ;;
  openbox) options=(--window-manager) ;;
  *) echo "native-session.sh: unknown window manager $wm" >&2; exit 2 ;;
esac
# Tells the tests they run in a session of their own.
export VELMORA_E2E_SESSION=$wm
exec "$here/../x11/xvfb-run.sh" "${options[@]}" -- "$@"
