#!/usr/bin/env bash
# Runs a command with one virtual X display (1024 x 768) and one Wine prefix
# shared by everything it starts, then stops both.
#   tests/wine/session.sh ctest --preset windows
# The session takes nothing from the caller's desktop: its own display, its
# own prefix (build/wineprefix, or $VELMORA_WINEPREFIX; never the user's
# $WINEPREFIX), its own $HOME (beside the prefix) and XDG folders, one locale, and Wine's web and
# mail launchers limited to the tools the tests put in PATH.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# A display of our own (tests/x11/xvfb-run.sh), which the rest runs on.
if [ "${1:-}" != --on-display ]; then
  exec "$root/tests/x11/xvfb-run.sh" -- "$0" --on-display "$@"
fi
shift
. "$root/tests/wine/wine-env.sh"
export LC_ALL=C.UTF-8
unset LANGUAGE
unset XAUTHORITY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP DESKTOP_SESSION \
      XDG_SESSION_TYPE XMODIFIERS GTK_IM_MODULE QT_IM_MODULE \
      XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME

if ! wine --version >/dev/null 2>&1; then
  echo "session.sh: Wine does not run here: $(wine --version 2>&1 | tail -1)" >&2
  exit 1
fi

# One session at a time per prefix: sessions share the prefix's wineserver,
# so two at once, each on its own display, break each other's windows, and
# each one's clean-up would stop the other's programs. Later ones wait.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
if ! flock -n 9; then
  echo "session.sh: waiting for the other Wine session on $WINEPREFIX" >&2
  flock 9
fi
# Holding the lock, any Wine server left on this prefix is an abandoned
# session's: its programs would run on a display that is gone.
wineserver -k >/dev/null 2>&1 9>&- || true

home=$(mktemp -d "${TMPDIR:-/tmp}/velmora-session.XXXXXX")
# NOTE: a home of the prefix's own that outlives the session: Wine links the
# prefix's user folders (Desktop, Documents, ...) into $HOME when it makes
# the prefix, and once those links dangle the shell's folder look-ups fail,
# the shared documents folder's too.
export HOME=$WINEPREFIX.home XDG_RUNTIME_DIR=$home/run
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$home"
}
trap cleanup EXIT
# NOTE: Wine 10 sets only the _NET_WM_STATE values that the window manager
# announces in _NET_SUPPORTED ("always on top" among them), and sets them
# itself on windows not yet shown. The session runs no window manager, so
# that the programs place, stack and focus their windows as they do
# themselves; it announces that one value, and nothing that a window manager
# would have to carry out.
xprop -root -f _NET_SUPPORTED 32a -set _NET_SUPPORTED _NET_WM_STATE_ABOVE

# A prefix of another architecture cannot serve this session: make anew.
if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q "^#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
  rm -rf "$WINEPREFIX"
fi
# A prefix made with another home (older sessions used a throw-away one) has
# dangling links: make anew.
if [ -f "$WINEPREFIX/system.reg" ] && [ -L "$WINEPREFIX/drive_c/users/$(id -un)/Desktop" ] &&
   [ ! -e "$WINEPREFIX/drive_c/users/$(id -un)/Desktop" ]; then
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 9>&- || true
fi
"$root/scripts/wine-fonts.sh" 9>&-
wineserver -p >/dev/null 2>&1 9>&- || true
# NOTE: the first Windows program of a session starts Wine's own services
# (services.exe, winedevice.exe, ...), which live on holding that program's
# standard error; under ctest that pipe then never closes and the test runs
# into its timeout. Started here, with no output, they stay off the tests'
# pipes.
wineboot </dev/null >/dev/null 2>&1 9>&- || true
# NOTE: winebrowser tries its own list of programs for web and mail
# addresses, and /usr/bin/open (run-mailcap, where mailcap is installed)
# comes before xdg-open and xdg-email; it then fails on mailto:. The prefix
# names only the two desktop tools, which the tests provide in PATH. The
# display is at 96 DPI unless a test sets another (and sets it back).
cat >"$home/prefix.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineBrowser]
"Browsers"="xdg-open"
"Mailers"="xdg-email"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060
REG
wine reg import "Z:${home//\//\\}\\prefix.reg" </dev/null >/dev/null 2>&1 9>&- || {
  echo "session.sh: could not set up the prefix's launchers and DPI" >&2; exit 1; }

export VELMORA_SESSION=wine
"$@" 9>&-
