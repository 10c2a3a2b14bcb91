#!/usr/bin/env bash
# scripts/make-deb.sh BUILD_DIR OUT_DIR
# Builds OUT_DIR/velmora_VERSION_ARCH.deb from the native program in BUILD_DIR
# (a Release build: `make dist-deb` makes build/linux-release first). The
# version, release date, home page and icon sizes come from the CMake project
# through BUILD_DIR/packaging/release.env; the texts from packaging/linux/.
# Prints the package's path.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
templates=$source_dir/packaging/linux
app_id=com.quorvane.Velmora

env_file=$build/packaging/release.env
[ -f "$env_file" ] || { echo "$0: no $env_file: configure $build with CMake first" >&2; exit 1; }
# shellcheck source=/dev/null
. "$env_file"
program=$build/velmora
[ -x "$program" ] || { echo "$0: no program $program: build it first" >&2; exit 1; }
# The program must be the version the package says.
[ "$("$program" --version)" = "Velmora $VERSION" ] || {
  echo "$0: $program --version says '$("$program" --version)', not 'Velmora $VERSION'" >&2
  exit 1
}
arch=$(dpkg --print-architecture)
# Every date in the package is the release date (reproducible builds).
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date -u -d "$RELEASE_DATE" +%s)}
release_rfc2822=$(date -u -R -d "@$SOURCE_DATE_EPOCH")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The package's tree where dpkg-shlibdeps looks for it: debian/PACKAGE of a
# source tree (src/debian/control, below).
root=$work/src/debian/velmora
umask 022

# Fills a template's @NAMES@ in.
fill() {
  sed -e "s|@VERSION@|$VERSION|g" -e "s|@RELEASE_DATE@|$RELEASE_DATE|g" \
      -e "s|@RELEASE_DATE_RFC2822@|$release_rfc2822|g" -e "s|@HOMEPAGE@|$HOMEPAGE|g" \
      -e "s|@RELEASE_YEAR@|${RELEASE_DATE%%-*}|g" "$@"
}

# The program, stripped.
install -d "$root/usr/bin"
strip --strip-unneeded --remove-section=.comment --remove-section=.note \
  -o "$root/usr/bin/velmora" "$program"
chmod 0755 "$root/usr/bin/velmora"

# The menu entry, the AppStream metadata and the icons.
install -D -m 0644 "$templates/$app_id.desktop" "$root/usr/share/applications/$app_id.desktop"
install -d "$root/usr/share/metainfo"
fill "$templates/$app_id.metainfo.xml.in" >"$root/usr/share/metainfo/$app_id.metainfo.xml"
for size in $ICON_SIZES; do
  install -D -m 0644 "$build/res/icons/velmora-$size.png" \
    "$root/usr/share/icons/hicolor/${size}x${size}/apps/velmora.png"
done
install -D -m 0644 "$source_dir/platform/res/velmora.svg" \
  "$root/usr/share/icons/hicolor/scalable/apps/velmora.svg"

# The manual page, the copyright (the licence of LICENSE.txt) and changelog.
install -d "$root/usr/share/man/man1" "$root/usr/share/doc/velmora"
fill "$templates/velmora.1.in" | gzip -9n >"$root/usr/share/man/man1/velmora.1.gz"
fill "$templates/changelog.in" | gzip -9n >"$root/usr/share/doc/velmora/changelog.gz"
license_text=$(sed -e 's/[[:space:]]*$//' -e 's/^$/./' -e 's/^/ /' "$source_dir/LICENSE.txt")
fill "$templates/copyright.in" | while IFS= read -r line; do
  if [ "$line" = "@LICENSE_TEXT@" ]; then printf '%s\n' "$license_text"; else printf '%s\n' "$line"; fi
done >"$root/usr/share/doc/velmora/copyright"

# The dependencies, from the libraries the program links: dpkg-shlibdeps
# wants a source package's debian/control around the package's tree, and
# DEBIAN/ in it.
install -d -m 0755 "$root/DEBIAN"
printf 'Source: velmora\n\nPackage: velmora\nArchitecture: any\n' >"$work/src/debian/control"
depends=$(cd "$work/src" && dpkg-shlibdeps -O debian/velmora/usr/bin/velmora | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "$0: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
# NOTE: the names and versions are those of the release that builds the
# package, which then installs there and on later releases only. The package
# we publish is built on Debian 12: Debian 13's renamed 64-bit time_t
# libraries (libgtk-3-0t64, ...) provide the names it depends on.
if grep -q 't64' <<<"$depends"; then
  echo "$0: note: built against renamed 64-bit time_t libraries: this package does not install on Debian 12" >&2
fi

# Installed-Size as dpkg counts it: KiB of each file rounded up, one per folder.
installed_size=$(find "$root" -mindepth 1 -path "$root/DEBIAN" -prune -o \
  \( -type f -printf '%s\n' \) -o \( -type d -printf '1024\n' \) |
  awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')

fill "$templates/control.in" | sed -e "s|@ARCHITECTURE@|$arch|" \
  -e "s|@INSTALLED_SIZE@|$installed_size|" -e "s|@DEPENDS@|$depends|" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -type d -exec chmod 0755 {} +
find "$root" -exec touch --no-dereference -d "@$SOURCE_DATE_EPOCH" {} +

deb=$out/velmora_${VERSION}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
