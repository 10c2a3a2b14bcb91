#!/usr/bin/env bash
# Runs a command on a private virtual X display of its own, then stops it.
#   tests/x11/xvfb-run.sh [--scale N] [--two-monitors] [--window-manager] -- command ...
# --scale N       the desktop's scale factor (GDK_SCALE)
# --two-monitors  two 1024 x 768 monitors side by side, the right one
#                 primary (Xorg with the dummy driver: Xvfb has one output)
# --window-manager  Openbox runs on the display
set -euo pipefail
scale=1
monitors=1
wm=0
while [ $# -gt 0 ]; do
  case $1 in
    --scale) scale=$2; shift 2 ;;
    --two-monitors) monitors=2; shift ;;
    --window-manager) wm=1; shift ;;
    --) shift; break ;;
    *) echo "xvfb-run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d)
if [ $monitors -eq 2 ]; then
  # NOTE: Xvfb's one output cannot be split into monitors GTK sees (GDK skips
  # RandR monitors without an output); the dummy driver has sixteen outputs.
  mkdir "$work/conf.d"
  cat >"$work/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 2048 768
  EndSubSection
EndSection
CONF
fi

xvfb=
wmpid=
# The command's own exit status stands, however the servers end.
stop() {
  local status=$?
  if [ -n "$wmpid" ]; then
    kill "$wmpid" 2>/dev/null || true
    wait "$wmpid" 2>/dev/null || true
  fi
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit $status
}
trap stop EXIT

# The server picks a free display number itself and writes it to fd 3, so
# servers started at the same moment never share one.
if [ $monitors -eq 2 ]; then
  /usr/lib/xorg/Xorg -displayfd 3 -noreset -nolisten tcp -config "$work/xorg.conf" \
    -configdir "$work/conf.d" -logfile "$work/xorg.log" 3>"$work/display" >/dev/null 2>&1 &
else
  # NOTE: -noreset: by default the server resets whenever its last client
  # leaves, and a program started in that moment cannot open the display
  # (seen between two end-to-end tests with no window manager running).
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" \
    >/dev/null 2>&1 &
fi
xvfb=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 $xvfb 2>/dev/null || { echo "xvfb-run.sh: the X server did not start" >&2; exit 1; }
  sleep 0.05
done
n=$(head -n1 "$work/display")
[ -n "$n" ] || { echo "xvfb-run.sh: the X server named no display" >&2; exit 1; }

export DISPLAY=:$n GDK_SCALE=$scale
# -displayfd leaves no lock file to find the server by: its pid, for the bench.
export VELMORA_X_SERVER_PID=$xvfb
# A session of its own: X11, no desktop services of the caller's.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE GDK_BACKEND GDK_DPI_SCALE DBUS_SESSION_BUS_ADDRESS
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory

if [ $monitors -eq 2 ]; then
  # NOTE: Xorg takes a moment after its socket appears before RandR answers
  # as configured: set the monitors until they read back as asked.
  for _ in $(seq 50); do
    xrandr --addmode DUMMY1 1024x768 2>/dev/null || true
    xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --output DUMMY1 --mode 1024x768 \
      --pos 1024x0 --primary 2>/dev/null || true
    xrandr --listmonitors 2>/dev/null | grep -q '\*DUMMY1 1024/[0-9]*x768/[0-9]*+1024+0' && break
    sleep 0.1
  done
fi
if [ $wm -eq 1 ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  wmpid=$!
  # Ready once it names itself on the root window.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
fi
"$@"
