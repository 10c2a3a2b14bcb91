# Sourced by the scripts that start Wine (with $root set to the project's
# root): the prefix, its architecture and the `wine` that can run there.
export WINEDEBUG=${WINEDEBUG:--all}
if [ "$("$root/scripts/wine-preset")" = windows64 ]; then
  # NOTE: Debian's `wine` (and wineboot & co., through `wine-stable`) always
  # starts the 32-bit loader when it is installed, which cannot run where
  # 32-bit programs cannot (see scripts/wine-preset): these take the 64-bit one.
  export WINEARCH=win64
  export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix64}
  bin=$root/build/wine64-bin
  mkdir -p "$bin"
  for name in wine wine-stable wine64; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
    chmod +x "$bin/$name"
  done
  export PATH=$bin:$PATH
else
  export WINEARCH=win32
  export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
fi
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
