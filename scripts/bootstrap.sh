#!/usr/bin/env bash
# Installs what building and testing Velmora needs on Debian 12 or 13, once.
# Run as root it installs the missing packages; otherwise it prints the one
# command that would and stops.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine32:i386 wine64 fonts-wine xvfb xdotool xclip
          imagemagick x11-xserver-utils x11-utils clang python3
          libgtk-3-dev libpipewire-0.3-dev libwayland-dev wayland-protocols pkg-config fonts-dejavu-core fonts-dejavu-extra x11-xkb-utils xkb-data
          xserver-xorg-core xserver-xorg-video-dummy openbox libxres1
          librsvg2-bin icoutils debootstrap
          mutter xwayland pipewire pipewire-bin wireplumber xdg-desktop-portal xdg-desktop-portal-gnome
          dbus-daemon python3-gi python3-gi-cairo gir1.2-gtk-3.0 dpkg-dev lintian desktop-file-utils appstream nsis zip)

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

# The sanitizer and fuzzer runtime of the release's clang (clang-14 on
# Debian 12, clang-19 on 13): the installed one's, else the one the clang
# package would bring.
clang_major() {
  if command -v clang >/dev/null; then
    clang -dumpversion | cut -d. -f1
  else
    apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -1
  fi
}
major=$(clang_major)
if [ -z "$major" ] && [ "$(id -u)" -eq 0 ]; then
  apt-get -o DPkg::Lock::Timeout=900 update -q >/dev/null
  major=$(clang_major)
fi
[ -n "$major" ] && packages+=("libclang-rt-$major-dev")

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
[ ${#missing[@]} -eq 0 ] && exit 0

need_i386=0
for p in "${missing[@]}"; do [[ $p == *:i386 ]] && need_i386=1; done

if [ "$(id -u)" -ne 0 ]; then
  echo "Velmora needs these packages: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  pre=""
  [ $need_i386 -eq 1 ] && pre="dpkg --add-architecture i386 && "
  echo "  sudo sh -c '${pre}apt-get update && apt-get install -y ${missing[*]}'" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
if [ $need_i386 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=900 update -q
apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${missing[@]}"
