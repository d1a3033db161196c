#!/bin/sh
# Runs a Windows program of this tree under Wine, in the tree's own Wine prefix (made on first
# use), without Wine's diagnostics unless WINEDEBUG asks for them.
#
#   wine-run.sh PREFIX [PROGRAM.exe [ARG...]]     (no program: only makes the prefix)
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs: nothing here needs them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# The marker names the settings below: a prefix made with older ones is brought up to date.
ready=$prefix/.xr-ready-2
if [ ! -f "$ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      wineboot -i > /dev/null 2>&1
      # The program asks for 宋体 and 楷体 by their Chinese names: this machine's faces stand in.
      # In UTF-16 (REGEDIT5): the older format loses the Chinese names. Windows unmanaged:
      # with no window manager Wine draws their frames itself, and closing a managed one would
      # wait about 2 s for a window manager's answer.
      printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' \
        '"楷体"="AR PL UKai CN"' '"KaiTi"="AR PL UKai CN"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' |
        iconv -f UTF-8 -t UTF-16 > "$prefix/xr-settings.reg"
      wine regedit /S "$prefix/xr-settings.reg" > /dev/null 2>&1
      wineserver -w
      touch "$ready"
    fi
  ) 9> "$prefix.lock"
fi
[ $# -gt 0 ] || exit 0
exec wine "$@"
