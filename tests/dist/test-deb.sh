#!/usr/bin/env bash
# tests/dist/test-deb.sh package|install OUT_DIR
#
# package: builds the Release program (preset linux-release, as
#   `make dist-deb` does) and the .deb into OUT_DIR with scripts/make-deb.sh,
#   then checks the package's metadata and contents, validates its desktop
#   entry and AppStream metadata and runs lintian (no errors allowed).
# install: installs that .deb system-wide, checks what is in place, removes
#   it and checks that it is gone. Needs root; skipped (77) otherwise, and
#   when a velmora package is installed already (it is not ours to remove).
#   Runs of it on one machine wait for each other (a lock in /run/lock); the
#   package is removed again whatever happens.
set -euo pipefail
mode=$1
out=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$source_dir/build/linux-release
app_id=com.quorvane.Velmora

failures=0
tree=""
ours=0  # 1 while the package this run installed is on the machine
trap 'cleanup' EXIT
cleanup() {
  [ -z "$tree" ] || rm -rf "$tree"
  if [ $ours -eq 1 ]; then run_dpkg --purge velmora >/dev/null || true; fi
}
# dpkg, waiting up to ten minutes while another program (apt) holds its lock.
run_dpkg() {
  local output status
  for _ in $(seq 120); do
    status=0
    output=$(dpkg "$@" 2>&1) || status=$?
    if [ $status -ne 0 ] && grep -q 'lock' <<<"$output"; then
      sleep 5
      continue
    fi
    echo "$output"
    return $status
  done
  echo "$output"
  return 1
}
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
expect_contains() {  # text, what, description
  grep -qF -- "$2" <<<"$1" || fail "$3: no '$2'"
}

# The version the package must carry: the CMake project's.
project_version() {
  sed -n "s/^VERSION='\(.*\)'$/\1/p" "$build/packaging/release.env"
}

the_deb() {
  local debs=("$out"/velmora_*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no one .deb in $out" >&2; exit 1; }
  echo "${debs[0]}"
}

# Each shared library the program loads directly is depended on: the package
# that holds it on the machine that built the .deb, whatever the release
# names it (libgtk-3-0 on Debian 12, libgtk-3-0t64 on 13).
check_depends() {
  local depends names needed library path owner
  depends=$(dpkg-deb --field "$1" Depends)
  names=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
  needed=$(objdump -p "$build/velmora" | awk '$1 == "NEEDED" {print $2}')
  [ -n "$needed" ] || fail "no libraries named in $build/velmora"
  for library in $needed; do
    path=$(ldd "$build/velmora" | awk -v l="$library" '$1 == l && $3 ~ /^\// {print $3}')
    [ -n "$path" ] || { fail "ldd does not find $library"; continue; }
    # NOTE: with /lib a link to /usr/lib, dpkg knows each file by the one
    # path its package ships.
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null ||
      dpkg -S "${path#/usr}" 2>/dev/null || true)
    owner=${owner%%:*}
    [ -n "$owner" ] || { fail "no package holds $path"; continue; }
    grep -qxF "$owner" <<<"$names" || fail "Depends has no $owner ($library): $depends"
  done
}

package() {
  (cd "$source_dir" && cmake --preset linux-release >/dev/null &&
    cmake --build --preset linux-release --target velmora -j "$(nproc)" >/dev/null)
  rm -rf "$out"
  "$source_dir/scripts/make-deb.sh" "$build" "$out"
  local deb version arch
  deb=$(the_deb)
  version=$(project_version)
  arch=$(dpkg --print-architecture)
  [ "$(basename "$deb")" = "velmora_${version}_${arch}.deb" ] || fail "named $(basename "$deb")"

  local info contents
  info=$(dpkg-deb --info "$deb")
  echo "$info"
  [ "$(dpkg-deb --field "$deb" Package)" = velmora ] || fail "Package"
  [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "Version is not $version"
  [ "$(dpkg-deb --field "$deb" Architecture)" = "$arch" ] || fail "Architecture"
  [ "$(dpkg-deb --field "$deb" Maintainer)" = "Quorvane <velmora@quorvane.com>" ] || fail "Maintainer"
  [ "$(dpkg-deb --field "$deb" Section)" = graphics ] || fail "Section"
  check_depends "$deb"
  # What only Wayland sessions need is suggested, by names the release knows.
  local suggested name
  suggested=$(dpkg-deb --field "$deb" Suggests)
  for name in $(tr ',|' '\n\n' <<<"$suggested" | awk '{print $1}'); do
    apt-cache show "$name" >/dev/null 2>&1 || fail "Suggests names $name, which apt does not know"
  done

  contents=$(dpkg-deb --contents "$deb")
  echo "$contents"
  local paths=(./usr/bin/velmora ./usr/share/applications/$app_id.desktop
    ./usr/share/metainfo/$app_id.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/velmora.svg
    ./usr/share/doc/velmora/copyright ./usr/share/doc/velmora/changelog.gz
    ./usr/share/man/man1/velmora.1.gz)
  for size in 16 22 24 32 48 64 128 256; do
    paths+=("./usr/share/icons/hicolor/${size}x${size}/apps/velmora.png")
  done
  for path in "${paths[@]}"; do
    grep -qE " $(sed 's/[.]/[.]/g' <<<"$path")$" <<<"$contents" || fail "no $path in the package"
  done
  grep -v -q ' root/root ' <<<"$contents" && fail "files not owned by root/root"
  grep -qE '^-rwxr-xr-x root/root .* \./usr/bin/velmora$' <<<"$contents" || fail "velmora not 0755"

  # The files themselves.
  tree=$(mktemp -d)
  dpkg-deb --extract "$deb" "$tree"
  [ "$("$tree/usr/bin/velmora" --version)" = "Velmora $version" ] || fail "velmora --version"
  local symbols
  symbols=$(objdump -h "$tree/usr/bin/velmora" | grep -cE ' \.(symtab|debug_info) ' || true)
  [ "$symbols" -eq 0 ] || fail "the program is not stripped"
  for size in 16 22 24 32 48 64 128 256; do
    got=$(identify -format '%wx%h' "$tree/usr/share/icons/hicolor/${size}x${size}/apps/velmora.png")
    [ "$got" = "${size}x${size}" ] || fail "the ${size} px icon is $got"
  done
  desktop-file-validate "$tree/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$tree/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"
  local metainfo
  metainfo=$(cat "$tree/usr/share/metainfo/$app_id.metainfo.xml")
  expect_contains "$metainfo" "<release version=\"$version\"" "metainfo"
  expect_contains "$metainfo" "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "metainfo"
  expect_contains "$(zcat "$tree/usr/share/doc/velmora/changelog.gz")" "velmora ($version)" "changelog"
  expect_contains "$(cat "$tree/usr/share/doc/velmora/copyright")" \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "copyright"
  expect_contains "$(zcat "$tree/usr/share/man/man1/velmora.1.gz")" "Velmora $version" "man page"

  # lintian: warnings are listed, errors fail.
  local report
  report=$(lintian --allow-root --info "$deb" 2>&1 || true)
  echo "lintian:"
  echo "${report:-  (nothing to report)}"
  if grep -q '^E: ' <<<"$report"; then fail "lintian reports errors"; fi
  lintian --allow-root --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian --fail-on error"
}

# dpkg's state of the package: installed, not-installed, config-files, ...
# or nothing when dpkg has never heard of it.
package_state() {
  dpkg-query -W -f='${db:Status-Status}' velmora 2>/dev/null || true
}

install_and_remove() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installing the .deb needs root (it installs system-wide)"
    exit 77
  fi
  local deb version
  deb=$(the_deb)
  version=$(project_version)
  # One run at a time on this machine.
  exec 9>/run/lock/velmora-deb-test.lock
  flock --timeout 900 9 || { echo "FAIL: another run holds /run/lock/velmora-deb-test.lock" >&2; exit 1; }
  local state
  state=$(package_state)
  if [ -n "$state" ] && [ "$state" != not-installed ]; then
    echo "SKIP: a velmora package is on this machine already ($state); it is left alone"
    exit 77
  fi

  # dpkg, not apt: what Velmora needs must be on the machine already (it is,
  # for the build), and nothing else gets installed that would then stay.
  ours=1
  run_dpkg --install "$deb" || { echo "FAIL: dpkg --install $deb" >&2; exit 1; }
  [ "$(package_state)" = installed ] || fail "not installed"
  [ "$(dpkg-query -W -f='${Version}' velmora)" = "$version" ] || fail "installed version"
  [ "$(/usr/bin/velmora --version)" = "Velmora $version" ] || fail "/usr/bin/velmora --version"
  local files=(/usr/bin/velmora /usr/share/applications/$app_id.desktop
    /usr/share/metainfo/$app_id.metainfo.xml /usr/share/icons/hicolor/48x48/apps/velmora.png
    /usr/share/icons/hicolor/scalable/apps/velmora.svg /usr/share/doc/velmora/copyright
    /usr/share/man/man1/velmora.1.gz)
  for f in "${files[@]}"; do [ -f "$f" ] || fail "$f is not in place"; done
  desktop-file-validate /usr/share/applications/$app_id.desktop || fail "installed desktop file"
  grep -qx 'Icon=velmora' /usr/share/applications/$app_id.desktop || fail "Icon= of the desktop file"
  # The installed program shows its icon on its window.
  local sizes
  sizes=$("$source_dir/tests/x11/xvfb-run.sh" -- "$source_dir/tests/dist/installed-icon.sh") ||
    fail "the installed program's window"
  echo "_NET_WM_ICON of the installed program: $sizes"
  for size in 16 32 48; do
    grep -qw "$size" <<<"$sizes" || fail "no $size px icon on the installed program's window"
  done

  run_dpkg --purge velmora || fail "dpkg --purge velmora"
  ours=0
  state=$(package_state)
  [ -z "$state" ] || [ "$state" = not-installed ] || fail "dpkg still has velmora: $state"
  for f in "${files[@]}" /usr/share/doc/velmora; do [ ! -e "$f" ] || fail "$f is still there"; done
}

case $mode in
  package) package ;;
  install) install_and_remove ;;
  *) echo "usage: $0 package|install OUT_DIR" >&2; exit 2 ;;
esac
if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "deb $mode: all checks passed"
