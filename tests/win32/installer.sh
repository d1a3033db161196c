#!/usr/bin/env bash
# The Windows installer as cpack makes it from this tree, under Wine: a silent install for the
# current user (its program folder, Start-menu shortcut and uninstall entry, nothing machine-wide),
# the installed program started, then a silent uninstall that leaves nothing of the package
# behind: the drive holds what it held before, plus the cue the program wrote.
#
#   installer.sh WINE_RUN PREFIX CPACK_CONFIG ARTIFACT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"

wine_run=$1 prefix=$2 config=$3
e2e_init "$4"
A=$E2E_ARTIFACTS
E2E_WINDOW_TIMEOUT=60 # Wine's first start in a prefix is slow; that is not the program's.
win() { "$wine_run" "$prefix" "$@"; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\XiuranTimer'
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\XiuranTimer'

cpack -G NSIS -B "$E2E_WORK/cpack" --config "$config" > "$A/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -5 "$A/cpack.log")"
installer=$(echo "$E2E_WORK"/cpack/*.exe)
[[ -f $installer ]] || fail "cpack made no installer"
e2e_log "$(basename "$installer"): $(stat -c %s "$installer") bytes"

start_xvfb
# Where this prefix keeps the user's files.
windows_of() { win cmd /c echo "%$1%" | tr -d '\r'; }
unix_of() { win winepath -u "$1" | tr -d '\r'; }
local_win=$(windows_of LOCALAPPDATA)
local_data=$(unix_of "$local_win")
start_menu=$(unix_of "$(windows_of APPDATA)")/Microsoft/Windows/Start\ Menu/Programs
install_dir=$local_data/Programs/XiuranTimer
[[ -d $local_data ]] || fail "no local application data folder: '$local_data'"
gone() { [[ ! -e $install_dir ]] && ! win reg query "$key" > /dev/null 2>&1; }
# A run cut short leaves its install: removed first, so that the drive is as before a first one.
if [[ -e $install_dir/Uninstall.exe ]]; then
  win "$install_dir/Uninstall.exe" /S
  wait_until 60 gone || fail "an earlier install would not go"
fi
# The cue the program writes at every start (to the Windows folder, or refused there, to the
# user's own): gone first, so that its coming back shows the start.
drive_c=$prefix/drive_c
cues=("$drive_c/windows/3sdjs.wav" "$local_data/xiuran-timer/3sdjs.wav")
rm -f "${cues[@]}"
snapshot() { (cd "$drive_c" && find . | sort); }
# A restart ends whatever an earlier run left to the next one, so that this run's restart below
# deletes only what this run leaves.
restart() {
  timeout 60 env WINEPREFIX="$prefix" wineserver -w || fail "Wine's processes did not end"
  win wineboot -r
  timeout 60 env WINEPREFIX="$prefix" wineserver -w || fail "Wine's processes did not end"
}
restart
snapshot > "$A/before.txt"

win "$installer" /S || fail "the installer failed: status $?"
for file in "$install_dir/xiuran-timer.exe" "$install_dir/Uninstall.exe" "$start_menu/岫然计时器.lnk"; do
  [[ -s $file ]] || fail "not installed: $file"
done
# The shortcut runs the installed program and shows its icon (both are that program file).
strings -el "$start_menu/岫然计时器.lnk" | grep -qi 'Programs\\XiuranTimer\\xiuran-timer.exe' ||
  fail "the shortcut does not name the installed program"
win reg export "$key" "$(win winepath -w "$E2E_WORK/key.reg" | tr -d '\r')" /y > /dev/null ||
  fail "no uninstall entry for the user"
iconv -f UTF-16 -t UTF-8 "$E2E_WORK/key.reg" | tr -d '\r' > "$A/uninstall-entry.txt"
# In the user's own program folder; .reg text doubles each backslash.
dir="${local_win//\\/"\\\\"}\\\\Programs\\\\XiuranTimer"
while IFS='|' read -r name value; do
  value=${value//@DIR@/"$dir"}
  grep -qxF "\"$name\"=\"$value\"" "$A/uninstall-entry.txt" || fail "uninstall entry: no $name=$value"
done << 'ROWS'
DisplayName|岫然计时器
InstallLocation|@DIR@
DisplayIcon|@DIR@\\xiuran-timer.exe,0
UninstallString|\"@DIR@\\Uninstall.exe\"
ROWS
! win reg query "$machine_key" > /dev/null 2>&1 || fail "the installer wrote a machine-wide entry"

# The program the shortcut names. (Wine's start returns at once for a shortcut: no process for
# the test to follow.)
launch "$wine_run" "$prefix" "$install_dir/xiuran-timer.exe"
id=$(wait_window 岫然计时器 "$E2E_WINDOW_TIMEOUT") || fail "the installed program showed no window"
shot "$id" "$A/installed.png"
cue_written() { [[ -s ${cues[0]} || -s ${cues[1]} ]]; }
wait_until 10 cue_written || fail "the program wrote no cue"
xdotool key --window "$id" alt+F4
wait_exit "$E2E_PROGRAM_PID" 30

# The uninstaller runs a copy of itself and returns at once: the folder going is its end.
win "$install_dir/Uninstall.exe" /S || fail "the uninstaller failed: status $?"
wait_until 60 gone || fail "still there after the uninstall: $(ls -A "$install_dir" 2> /dev/null)"
# The copy cannot delete itself: it leaves itself to the next restart, which Wine's is here.
restart
snapshot > "$A/after.txt"
# Allowed: the cue, and the empty folder of the uninstaller's copy in the user's temporary folder
# (the uninstaller asks for its folder to go before the file in it, so a restart keeps the folder).
left=$(comm -13 "$A/before.txt" "$A/after.txt" |
  grep -vx -e './windows/3sdjs.wav' -e '.*/AppData/Local/xiuran-timer\(/3sdjs.wav\)\?' \
    -e './users/[^/]*/Temp/~nsu[^/]*\.tmp' || true)
[[ -z $left ]] || fail "left behind: $left"
missing=$(comm -23 "$A/before.txt" "$A/after.txt" || true)
[[ -z $missing ]] || fail "removed what it did not install: $missing"
e2e_log "installed, started and uninstalled; left only the cue"
