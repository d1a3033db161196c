#!/bin/sh
# Runs a Windows program of this tree under Wine, in the tree's own Wine prefix (made on first
# use), without Wine's diagnostics unless WINEDEBUG asks for them.
#
#   wine-run.sh PREFIX PROGRAM.exe [ARG...]
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs: nothing here needs them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$prefix/.xr-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.xr-ready" ]; then
      wineboot -i > /dev/null 2>&1
      wineserver -w
      touch "$prefix/.xr-ready"
    fi
  ) 9> "$prefix.lock"
fi
exec wine "$@"
