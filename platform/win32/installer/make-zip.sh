#!/bin/sh
# Makes the portable zip: make-zip.sh ZIP VELMORA_EXE README_TXT LICENSE_TXT
# The same inputs make the same zip: files in a fixed order, one time stamp
# (SOURCE_DATE_EPOCH, else the last commit's), no Unix extras (-X).
set -eu
zip=$1 exe=$2 readme=$3 license=$4
if [ ! -f "$license" ]; then
  echo "make-zip.sh: $license is missing; the zip ships the licence" >&2
  exit 1
fi
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$license")" log -1 --format=%ct 2>/dev/null || date +%s)}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/Velmora.exe"
cp "$readme" "$stage/README.txt"
cp "$license" "$stage/LICENSE.txt"
touch -d "@$epoch" "$stage"/*
mkdir -p "$(dirname "$zip")"
rm -f "$zip"
zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")
# NOTE: zip stores local times: the same in every time zone with TZ=UTC.
(cd "$stage" && TZ=UTC zip -q -X -D "$zip" Velmora.exe README.txt LICENSE.txt)
