#!/usr/bin/env bash
# Runs one Windows program under Wine; ctest uses it for every Windows test.
# Outside tests/wine/session.sh it still works, in a session of its own (a
# display and a prefix that a user's $DISPLAY or $WINEPREFIX never replace).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${VELMORA_SESSION:-}" != wine ]; then
  exec "$root/tests/wine/session.sh" "$0" "$@"
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
