#!/bin/sh
# Runs a Windows program under Wine, quietly: the emulator the windows preset
# gives CMake and CTest, and what the Windows test script uses throughout.
# Mono and Gecko are declined so that a new Wine prefix never asks for them.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if command -v wine64 >/dev/null 2>&1; then
  exec wine64 "$@"
fi
exec /usr/lib/wine/wine64 "$@"
