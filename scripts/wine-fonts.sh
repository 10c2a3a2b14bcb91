#!/usr/bin/env bash
# Gives the Wine prefix $WINEPREFIX Wine's own fonts (Debian's fonts-wine), so
# that "MS Sans Serif" and "Tahoma" are drawn with them rather than with the
# nearest font of the system (DejaVu Sans, which is wider). Safe to run on a
# new or an existing prefix, as often as you like.
#
# NOTE: Debian's Wine 8 never opens /usr/share/wine/fonts, where fonts-wine
# puts its fonts (its data-dir font path is built as "<datadir>\../fonts\"),
# and fontconfig does not list that folder either, so a new prefix asking for
# these faces gets DejaVu Sans. What Wine does load is the prefix's
# C:\windows\Fonts: its TrueType fonts (Tahoma) by scanning the folder, and
# its bitmap fonts (MS Sans Serif, sserife.fon) through the registry's Fonts
# key, which names them by file. So each font is linked into that folder.
set -euo pipefail
: "${WINEPREFIX:?wine-fonts.sh: set WINEPREFIX}"
src=/usr/share/wine/fonts
dst=$WINEPREFIX/drive_c/windows/Fonts
if ! ls "$src"/tahoma.ttf "$src"/sserife.fon >/dev/null 2>&1; then
  echo "wine-fonts.sh: Wine's fonts are missing from $src: install fonts-wine (make bootstrap)" >&2
  exit 1
fi
mkdir -p "$dst"
added=0
for font in "$src"/*.ttf "$src"/*.fon; do
  link=$dst/${font##*/}
  [ "$(readlink "$link" 2>/dev/null)" = "$font" ] && continue
  # A real font file of that name (one installed into the prefix) stays.
  [ -e "$link" ] && [ ! -L "$link" ] && continue
  ln -sfn "$font" "$link"
  added=1
done
# NOTE: a running wineserver keeps the font list it built at start-up (a
# volatile registry cache), so the next program must find none running. It is
# waited for rather than stopped: right after `wineboot -i` the prefix may
# still be being set up by programs the server runs, and stopping them leaves
# it half made.
if [ $added -eq 1 ]; then wineserver -w >/dev/null 2>&1 || true; fi
