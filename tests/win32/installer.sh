#!/usr/bin/env bash
# The installer cpack makes from this tree, under Wine: its window as far as the directory page,
# then a silent install for the current user only, the installed program started, a silent
# uninstall after which the drive holds what it held before plus the cue the program wrote.
#
#   installer.sh WINE_RUN PREFIX CPACK_CONFIG ARTIFACT_DIR WINE_CLIENT.exe
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"
wine_run=$1 prefix=$2 client=$5
e2e_init "$4"
A=$E2E_ARTIFACTS
win() { "$wine_run" "$prefix" "$@" | tr -d '\r'; }
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\XiuranTimer'

cpack -G NSIS -B "$E2E_WORK/cpack" --config "$3" > "$A/cpack.log" 2>&1 || fail "cpack failed"
installer=$(echo "$E2E_WORK"/cpack/*.exe)
e2e_log "$(basename "$installer"): $(stat -c %s "$installer") bytes"
start_xvfb
local_win=$(win cmd /c echo %LOCALAPPDATA%)
local_unix=$(win winepath -u "$local_win")
dir=$local_unix/Programs/XiuranTimer
lnk=$(win winepath -u "$(win cmd /c echo %APPDATA%)")/Microsoft/Windows/Start\ Menu/Programs/岫然计时器.lnk
drive_c=$prefix/drive_c
cues=("$drive_c/windows/3sdjs.wav" "$local_unix/xiuran-timer/3sdjs.wav")
gone() { [[ ! -e $dir ]] && ! win reg query "HKCU\\$key" > /dev/null 2>&1; }
# Wine's restart also does what an uninstaller leaves to the next one (deleting its own copy).
restart() {
  if ! { env WINEPREFIX="$prefix" timeout 60 wineserver -w && win wineboot -r &&
    env WINEPREFIX="$prefix" timeout 60 wineserver -w; }; then fail "Wine did not settle"; fi
}
# What an earlier run cut short left, and the cue, go first: its coming back shows the start.
[[ ! -e $dir/Uninstall.exe ]] || { win "$dir/Uninstall.exe" /S && wait_until 60 gone; }
# As a user sees it, in English, to the directory page: no title ends in a space.
launch env LC_ALL=C.UTF-8 "$wine_run" "$prefix" "$installer"
id=$(wait_window "岫然计时器 Setup" 60)
xdotool key --window "$id" Return # I Agree
page() {
  win "$client" texts "$id" > "$A/directory-page.txt" && grep -q '^Space required' "$A/directory-page.txt"
}
wait_until 20 page || fail "no directory page: $(cat "$A/directory-page.txt")"
required=$(sed -n 's/^Space required: //p' "$A/directory-page.txt")
kill "$E2E_PROGRAM_PID"
wait_exit "$E2E_PROGRAM_PID" 30
rm -f "${cues[@]}"
restart
snapshot() { (cd "$drive_c" && find . | sort); }
snapshot > "$A/before.txt"

win "$installer" /S || fail "the installer failed"
for file in "$dir/xiuran-timer.exe" "$dir/Uninstall.exe" "$lnk"; do
  [[ -s $file ]] || fail "not installed: $file"
done
strings -el "$lnk" | grep -qF 'Programs\XiuranTimer\xiuran-timer.exe' ||
  fail "the shortcut does not name the installed program"
# The uninstall entry in the user's hive only, its Chinese name intact (.reg doubles backslashes).
win reg export "HKCU\\$key" "$(win winepath -w "$E2E_WORK/key.reg")" /y > /dev/null ||
  fail "no uninstall entry for the user"
iconv -f UTF-16 -t UTF-8 "$E2E_WORK/key.reg" | tr -d '\r' > "$A/entry.txt"
for line in '"DisplayName"="岫然计时器"' \
  "\"UninstallString\"=\"\\\"${local_win//\\/\\\\}\\\\Programs\\\\XiuranTimer\\\\Uninstall.exe\\\"\""; do
  grep -qxF "$line" "$A/entry.txt" || fail "uninstall entry lacks $line"
done
size=$(sed -n 's/^"EstimatedSize"=dword:\([0-9a-f]*\)$/\1/p' "$A/entry.txt")
kib=0
for file in "$dir"/*; do kib=$((kib + ($(stat -c %s "$file") + 1023) / 1024)); done
# One size, the installed files': on the directory page, as NSIS rounds it, and in "Apps".
said="$((kib >> 10)).$(((kib * 10 >> 10) % 10)) MB"
[[ $((0x${size:-0})) == "$kib" && $required == "$said" ]] ||
  fail "installed $kib KiB ($said), but the page said $required and the entry ${size:-nothing}"
# Windows' own tools read these as CRLF lines, their UTF-8 only after a byte-order mark.
for file in "$dir"/*.txt; do
  crlf=$(grep -c $'\r$' "$file")
  [[ $(head -c 3 "$file") == $'\xef\xbb\xbf' && $crlf == $(wc -l < "$file") ]] ||
    fail "$(basename "$file") is not CRLF with a byte-order mark"
done
! win reg query "HKLM\\$key" > /dev/null 2>&1 || fail "the installer wrote a machine-wide entry"

launch "$wine_run" "$prefix" "$dir/xiuran-timer.exe"
id=$(wait_window 岫然计时器 60) || fail "the installed program showed no window"
shot "$id" "$A/installed.png"
cue_written() { [[ -s ${cues[0]} || -s ${cues[1]} ]]; }
wait_until 10 cue_written || fail "the program wrote no cue"
# The window may be gone before the keys' release reaches it: xdotool then reports an error.
xdotool key --window "$id" alt+F4 2> /dev/null || true
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "the installed program ended with $EXIT_CODE after Alt+F4"

# The uninstaller runs a copy of itself and returns at once: the folder and entry going is its end.
win "$dir/Uninstall.exe" /S || fail "the uninstaller failed"
wait_until 60 gone || fail "still there after the uninstall: $(ls -A "$dir" 2> /dev/null)"
restart
snapshot > "$A/after.txt"
# Besides the cue: the empty folder of the uninstaller's copy, which asks for its folder to go
# before the file in it, so that a restart keeps the folder; and the user's folder of programs,
# Windows' own, which other per-user programs share and a fresh prefix has not made yet.
left=$(comm -13 "$A/before.txt" "$A/after.txt" | grep -vx -e './windows/3sdjs.wav' \
  -e './users/[^/]*/AppData/Local/xiuran-timer\(/3sdjs.wav\)\?' -e './users/[^/]*/Temp/~nsu[^/]*\.tmp' \
  -e './users/[^/]*/AppData/Local/Programs' || true)
[[ -z $left ]] || fail "left behind: $left"
missing=$(comm -23 "$A/before.txt" "$A/after.txt")
[[ -z $missing ]] || fail "removed what it did not install: $missing"
e2e_log "installed, started and uninstalled; left only the cue"
