#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine in the project's own 32-bit prefix; the CMake
# emulator of the windows preset. Wine's exit code is trusted only from the 32-bit loader: a
# wine64 alone fails to start a 32-bit program and still exits 0.
set -euo pipefail
if [ ! -x /usr/lib/wine/wine ]; then
  echo "wine-run: the 32-bit Wine (/usr/lib/wine/wine, package wine32:i386) is not installed;" \
    "exit codes under Wine cannot be trusted without it" >&2
  exit 127
fi
export WINEPREFIX=${KV_WINEPREFIX:-$HOME/.cache/kelvane_down/wine-prefix}
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine "$@"
