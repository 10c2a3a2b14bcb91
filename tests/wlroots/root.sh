#!/usr/bin/env bash
# Runs a command in a Debian unstable root that has the wlroots desktops
# (sway 1.12, labwc 0.20 on wlroots 0.20: Debian 12 and 13 have only older
# ones), with the project's source and build folders seen at the same paths:
#   tests/wlroots/root.sh BUILD_DIR -- COMMAND...
# The root is made once (debootstrap and apt, a few minutes) and kept in
# $VELMORA_WLROOTS_ROOT (/var/cache/velmora-wlroots/root); runs on one machine
# take turns through a lock beside it. Needs root (chroot, mounts): ends with
# 77 (skipped) otherwise.
set -euo pipefail
build=$(realpath "$1")
shift
[ "${1:-}" = -- ] && shift
source_dir=$(realpath "$(dirname "$0")/../..")
root=${VELMORA_WLROOTS_ROOT:-/var/cache/velmora-wlroots/root}
# What the tests run in the root: the desktops, their screenshot and
# clipboard tools, XWayland, and the libraries the program built here needs.
packages=(sway labwc wlr-randr grim wl-clipboard xwayland xdotool x11-utils python3 dbus-daemon fonts-dejavu-core
          libgtk-3-0t64 libpipewire-0.3-0t64 libwayland-client0)

if [ "$(id -u)" -ne 0 ]; then
  echo "root.sh: the wlroots tests need root (chroot): skipped" >&2
  exit 77
fi
mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9

# The package mirror the machine uses (a snapshot: unstable's Release file
# may be past its Valid-Until date).
mirror() {
  local m
  m=$(sed -n 's/^URIs: *\([^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  [ -n "$m" ] || m=$(awk '/^deb / {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
  echo "${m:-http://deb.debian.org/debian}"
}

# Made again when the list of packages changed.
if [ "$(cat "$root/.velmora-ready" 2>/dev/null)" != "${packages[*]}" ]; then
  echo "root.sh: making a Debian unstable root with sway and labwc in $root (once)" >&2
  command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >/dev/null
  rm -rf "$root.tmp"
  log=$root.log
  debootstrap --variant=minbase sid "$root.tmp" "$(mirror)" >"$log" 2>&1 ||
    { tail -20 "$log" >&2; exit 1; }
  echo 'Acquire::Check-Valid-Until "false";' >"$root.tmp/etc/apt/apt.conf.d/99snapshot-mirror"
  cp /etc/resolv.conf "$root.tmp/etc/resolv.conf"
  # NOTE: the packages' scripts complain of no /proc in the root; they work.
  chroot "$root.tmp" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
    sh -c "apt-get update -q && apt-get install -y -q --no-install-recommends ${packages[*]} && apt-get clean" \
    >>"$log" 2>&1 || { tail -20 "$log" >&2; exit 1; }
  echo "${packages[*]}" >"$root.tmp/.velmora-ready"
  rm -rf "$root"
  mv "$root.tmp" "$root"
fi

mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -R "${mounts[$i]}" 2>/dev/null || umount -l "${mounts[$i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
bind() {
  mkdir -p "$root$2"
  mount --rbind "$1" "$root$2" && mount --make-rslave "$root$2"
  mounts+=("$root$2")
}
mount -t proc proc "$root/proc" && mounts+=("$root/proc")
bind /dev /dev
bind /sys /sys
bind "$source_dir" "$source_dir"
[[ $build == "$source_dir"/* ]] || bind "$build" "$build"
mkdir -p "$root/tmp" && chmod 1777 "$root/tmp"
# A private runtime folder for the desktop and its clients.
runtime=$(mktemp -d "$root/tmp/runtime.XXXXXX")
chmod 700 "$runtime"
set +e
chroot "$root" env -i -C "$PWD" PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  XDG_RUNTIME_DIR="${runtime#"$root"}" ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$@"
rc=$?
set -e
rm -rf "$runtime"
exit $rc
