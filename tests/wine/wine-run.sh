#!/usr/bin/env bash
# Runs one Windows program under Wine; ctest uses it for every Windows test.
# Outside tests/wine/session.sh it still works, with a display of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  exec "$root/tests/wine/session.sh" "$0" "$@"
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
