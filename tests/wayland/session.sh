#!/usr/bin/env bash
# Runs a command inside a private headless GNOME session and stops the session
# after it: its own D-Bus session bus, PipeWire and WirePlumber, mutter
# (headless, virtual monitors side by side, Wayland with XWayland), and the
# desktop portals (xdg-desktop-portal with its GNOME back end), all in a
# private XDG_RUNTIME_DIR. The command sees WAYLAND_DISPLAY, DISPLAY and
# DBUS_SESSION_BUS_ADDRESS; it moves the pointer and answers the share dialog
# through mutter's RemoteDesktop interface (remote.py).
#   session.sh [--size WxH]... [--scale 2] [--no-portal] [--shortcuts] -- COMMAND [ARG...]
# --size: one virtual monitor of that size (640x480 without it); given again,
# a further monitor right of the others.
# --scale 2: every monitor at a scale of 2, set before the command starts
# (mutter offers it only where the scaled monitor is at least 800 x 480).
# --shortcuts: with a GlobalShortcuts back end of the tests' own
# (shortcuts_backend.py).
# The command's exit code is the script's. Logs: $VELMORA_WAYLAND_LOG (a
# file) or the session folder's session.log, printed when the command fails.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = --inside ]; then
  # Inside mutter: the portals need the compositor's displays.
  shift
  portal=1
  if [ "$1" = --no-portal ]; then portal=0; shift; fi
  [ "$1" = -- ] && shift
  if [ "$SCALE" != 1 ]; then
    /usr/bin/python3 "$here/wayland_desktop.py" scale "$SCALE" >>"$LOG" 2>&1 ||
      { echo "session.sh: mutter did not take the scale $SCALE" >&2; echo 1 >"$CODE"; exit 0; }
  fi
  # The GNOME back end asks mutter; the front end finds it by XDG_CURRENT_DESKTOP.
  # D-Bus starts them, with the compositor's displays in their environment.
  dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
    XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME GSETTINGS_BACKEND \
    NO_AT_BRIDGE GTK_A11Y XDG_DESKTOP_PORTAL_DIR
  if [ -n "${SHORTCUTS:-}" ]; then
    # The tests' own GlobalShortcuts back end, running before the front end
    # starts, which then finds it in its portals folder.
    coproc backend { /usr/bin/python3 "$here/shortcuts_backend.py" 2>>"$LOG"; }
    read -r -t 10 ready <&"${backend[0]}" || true
    [ "${ready:-}" = ready ] || echo "session.sh: the shortcuts back end did not start" >>"$LOG"
  fi
  if [ $portal -eq 1 ]; then
    for _ in $(seq 100); do
      if gdbus introspect --session --dest org.freedesktop.portal.Desktop \
           --object-path /org/freedesktop/portal/desktop 2>/dev/null | grep -q portal.ScreenCast; then
        break
      fi
      sleep 0.1
    done
  fi
  # NOTE: XWayland starts when its first client connects; the command may be it.
  set +e
  "$@" >>"/proc/$OUTER/fd/1" 2>>"/proc/$OUTER/fd/2"
  echo $? >"$CODE"
  exit 0
fi

sizes=()
scale=1
portal=()
shortcuts=
while [ $# -gt 0 ]; do
  case "$1" in
    --size) sizes+=(--virtual-monitor "$2"); shift 2 ;;
    --scale) scale=$2; shift 2 ;;
    --no-portal) portal=(--no-portal); shift ;;
    --shortcuts) shortcuts=1; shift ;;
    --) shift; break ;;
    *) echo "session.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: session.sh [--size WxH]... [--scale 2] [--no-portal] [--shortcuts] -- COMMAND [ARG...]" >&2; exit 2; }
[ ${#sizes[@]} -gt 0 ] || sizes=(--virtual-monitor 640x480)

top=$(mktemp -d /tmp/velmora-wayland.XXXXXX)
chmod 700 "$top"
export LOG=${VELMORA_WAYLAND_LOG:-$top/session.log}
: >"$LOG"
pids=()
stop() {
  local code=$?
  # mutter leads a process group of its own: the command's leftovers go with it.
  [ -n "${mutter:-}" ] && kill -- "-$mutter" 2>/dev/null || true
  # And whatever else runs in this session (D-Bus started the portals).
  for p in /proc/[0-9]*; do
    if tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"; then
      [ "${p#/proc/}" = $$ ] || kill "${p#/proc/}" 2>/dev/null || true
    fi
  done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for p in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
  done
  if [ $code -ne 0 ] && [ -z "${VELMORA_WAYLAND_LOG:-}" ]; then
    echo "--- session log" >&2; tail -n 60 "$LOG" >&2
  fi
  rm -rf "$top"
  exit $code
}
trap stop EXIT
trap 'exit 143' TERM INT HUP

unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS GDK_BACKEND XAUTHORITY \
      SESSION_MANAGER DESKTOP_SESSION GNOME_SETUP_DISPLAY
export XDG_RUNTIME_DIR=$top/run XDG_CONFIG_HOME=$top/config XDG_DATA_HOME=$top/data \
       XDG_CACHE_HOME=$top/cache XDG_STATE_HOME=$top/state
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
# Mutter 48 starts XWayland only where the X sockets' folder already exists
# (mutter 43 and the X servers make it themselves).
[ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=gnome
# The system's portals, with --shortcuts the tests' GlobalShortcuts back end too.
export XDG_DESKTOP_PORTAL_DIR=$top/portals SHORTCUTS=$shortcuts
mkdir "$XDG_DESKTOP_PORTAL_DIR"
ln -s /usr/share/xdg-desktop-portal/portals/*.portal "$XDG_DESKTOP_PORTAL_DIR/"
if [ -n "$shortcuts" ]; then
  cat >"$XDG_DESKTOP_PORTAL_DIR/velmoratest.portal" <<PORTAL
[portal]
DBusName=org.freedesktop.impl.portal.desktop.velmoratest
Interfaces=org.freedesktop.impl.portal.GlobalShortcuts;
UseIn=gnome
PORTAL
  # xdg-desktop-portal 1.18 and later choose back ends by portals.conf (UseIn
  # is only their fallback), and GNOME 48's back end has GlobalShortcuts too.
  # With XDG_DESKTOP_PORTAL_DIR set, that folder is where they look for it.
  cat >"$XDG_DESKTOP_PORTAL_DIR/gnome-portals.conf" <<CONF
[preferred]
default=gnome
org.freedesktop.impl.portal.GlobalShortcuts=velmoratest
CONF
fi
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 GTK_A11Y=none

# The bus starts the system's session services, but without the portal's
# front end when there is to be no portal.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
mkdir "$top/services"
for service in /usr/share/dbus-1/services/*.service; do
  case "$(basename "$service")" in
    org.freedesktop.portal.Desktop.service) [ ${#portal[@]} -eq 0 ] || continue ;;
  esac
  ln -s "$service" "$top/services/"
done
cat >"$top/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>$DBUS_SESSION_BUS_ADDRESS</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$top/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$top/bus.conf" --nofork --nosyslog >>"$LOG" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/bus" ] && break; sleep 0.1; done

pipewire >>"$LOG" 2>&1 & pids+=($!)
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
wireplumber >>"$LOG" 2>&1 & pids+=($!)

set +e
# The command's own output goes where the script's goes; mutter hands no
# file descriptors to its command, so it reopens ours.
export OUTER=$$ CODE=$top/code SCALE=$scale
echo 1 >"$CODE"
setsid mutter --headless "${sizes[@]}" --wayland --wayland-display velmora-wayland-0 \
  -- "$here/session.sh" --inside "${portal[@]}" -- "$@" >>"$LOG" 2>&1 &
mutter=$!
pids+=($mutter)
wait $mutter
set -e
exit "$(cat "$CODE")"
