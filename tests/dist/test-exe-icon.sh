#!/usr/bin/env bash
# tests/dist/test-exe-icon.sh Velmora.exe
# Reads the icon back from the built program: its first icon group (the one
# Explorer and "Velmora.exe,0" show) must hold every size Velmora.ico has.
set -euo pipefail
exe=$1
expected=(16 20 24 32 40 48 64 256)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The icon groups (type 14), in the order Windows numbers them.
groups=$(wrestool --list --type=14 "$exe")
echo "$groups"
first=$(printf '%s\n' "$groups" | sed -n '1s/.*--name=\([^ ]*\).*/\1/p')
[ "$first" = "1" ] || { echo "FAIL: the first icon group is '$first', not 1" >&2; exit 1; }

wrestool --extract --type=14 --name=1 --output="$work/first.ico" "$exe"
listing=$(icotool --list "$work/first.ico")
echo "$listing"
status=0
for size in "${expected[@]}"; do
  if ! grep -q -- "--width=$size --height=$size --bit-depth=32" <<<"$listing"; then
    echo "FAIL: no ${size}x${size} 32-bit image in Velmora.exe's icon" >&2
    status=1
  fi
done
count=$(grep -c -- '--icon' <<<"$listing")
[ "$count" -eq ${#expected[@]} ] || { echo "FAIL: $count images, expected ${#expected[@]}" >&2; status=1; }

# Each image decodes (ImageMagick) to a picture of the size it claims.
icotool --extract --output="$work" "$work/first.ico"
decoded=0
for png in "$work"/*.png; do
  claimed=$(sed -n 's/.*_\([0-9]*\)x\([0-9]*\)x32\.png$/\1x\2/p' <<<"$png")
  actual=$(identify -format '%wx%h' "$png")
  if [ -z "$claimed" ] || [ "$claimed" != "$actual" ]; then
    echo "FAIL: $(basename "$png") decodes to $actual" >&2
    status=1
  fi
  decoded=$((decoded + 1))
done
[ "$decoded" -eq ${#expected[@]} ] || { echo "FAIL: $decoded images decoded" >&2; status=1; }
[ $status -eq 0 ] && echo "Velmora.exe's icon holds ${expected[*]} px"
exit $status
