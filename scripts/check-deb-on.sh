#!/usr/bin/env bash
# scripts/check-deb-on.sh SUITE DEB  (as root; needs debootstrap and Debian's mirror)
# Installs DEB with apt into a fresh minimal root of the Debian release SUITE
# (bookworm, trixie, ...), starts the program (--version, --help) and purges
# it: that the package's Depends can be met there. The root is made once with
# debootstrap and kept in /var/cache/velmora-deb-check-SUITE.tar.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 SUITE DEB" >&2
  exit 2
fi
suite=$1
deb=$(realpath "$2")
cache=/var/cache/velmora-deb-check-$suite.tar
work=$(mktemp -d)
root=$work/root
mkdir "$root"
trap 'umount "$root/proc" 2>/dev/null || true; rm -rf "$work"' EXIT
if [ ! -s "$cache" ]; then
  command -v debootstrap >/dev/null || apt-get install -y -q --no-install-recommends debootstrap
  debootstrap --variant=minbase "$suite" "$root" >/dev/null
  tar -C "$root" -cf "$cache" .
else
  tar -C "$root" -xf "$cache"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
cp "$deb" "$root/root/"
chroot "$root" env -i DEBIAN_FRONTEND=noninteractive HOME=/root LANG=C.UTF-8 \
  PATH=/usr/sbin:/usr/bin:/sbin:/bin bash -euc '
  deb=/root/$1
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends "$deb" >/root/apt.log 2>&1 ||
    { tail -20 /root/apt.log; exit 1; }
  echo "Depends: $(dpkg-query -W -f="\${Depends}" velmora)"
  grep -oE "^Setting up (libgtk|libglib)[^ ]*" /root/apt.log || true
  velmora --version
  velmora --help >/dev/null
  apt-get purge -y -q velmora >/dev/null 2>&1
  [ -z "$(dpkg-query -W -f="\${db:Status-Status}" velmora 2>/dev/null | grep -v not-installed)" ]
  echo "installed, started and purged"
' check "$(basename "$deb")"
echo "$(basename "$deb") on $suite: passed"
