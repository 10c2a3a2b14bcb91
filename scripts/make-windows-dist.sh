#!/usr/bin/env bash
# Builds what Windows users download into OUT_DIR (make dist-windows: dist/):
#   scripts/make-windows-dist.sh OUT_DIR [PRESET]
# Velmora-<version>-win32.zip and Velmora-<version>-setup.exe from the 32-bit
# build (preset windows, Velmora.exe as it ships); PRESET windows64 makes the
# 64-bit ones the tests use where 32-bit programs cannot run. LICENSE.txt at
# the project's root goes into the zip; without it the build stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 OUT_DIR [PRESET]" >&2; exit 2; }
out=$1 preset=${2:-windows}
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target velmora_dist -j "${JOBS:-$(nproc)}"
mkdir -p "$out"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$preset/CMakeCache.txt")
for file in "build/$preset/dist/Velmora-$version-"*; do
  cp "$file" "$out/"
  echo "$out/$(basename "$file")"
done
