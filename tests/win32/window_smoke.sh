#!/usr/bin/env bash
# The Windows program under Wine on a private X server, run from the keyboard once started and
# closed with Alt+F4 as a Windows user closes it: the program ends with status 0. (The shared end-to-end scenarios close the window
# through the X protocol instead; they check the window, the clock, the pointer and the cue.)
# It runs from a folder where a winmm.dll and a windowscodecs.dll were planted beside it, with Wine
# told to prefer such copies as Windows would: neither must ever be loaded.
#
#   window_smoke.sh WINE_RUN PREFIX PROGRAM.exe ARTIFACT_DIR PLANTED_WINMM.dll PLANTED_CODECS.dll
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"
# shellcheck source=tests/e2e/scenarios_main_window.sh
source "$here/../e2e/scenarios_main_window.sh"

wine_run=$1 prefix=$2
e2e_init "$4"
folder=$E2E_WORK/download
mkdir -p "$folder"
cp "$3" "$folder/xiuran-timer.exe"
cp "$5" "$folder/winmm.dll"
cp "$6" "$folder/windowscodecs.dll"
program=$folder/xiuran-timer.exe
# Wine's first start in a prefix is slow; that is not the program's.
E2E_WINDOW_TIMEOUT=60
start_xvfb
overrides="mscoree,mshtml=;winmm,windowscodecs=n,b"
launch env WINEDLLOVERRIDES="$overrides" "$wine_run" "$prefix" "$program"
mw_await
# The more-apps window decodes its picture before it shows: GDI+ wants windowscodecs by then.
mw_click more
planted_or_shown() { [[ -e $folder/windowscodecs.dll.loaded || -n $(find_windows 应用列表) ]]; }
wait_until 60 planted_or_shown || true
[[ ! -e $folder/windowscodecs.dll.loaded ]] || fail "the planted windowscodecs.dll was loaded"
apps=$(wait_window 应用列表)
click_client "$apps" 172 320 # its 关 闭
wait_gone "$apps"
# While the clock runs and the pointer is hidden, as a user would leave it.
mw_click zjs
mw_click start
wait_until 10 cursor_is blank || fail "the pointer stayed while the clock ran"
# Without a mouse: a key brings the pointer back and goes no further (a Space on the hidden run
# button would pause with the pointer hidden); the next Space pauses, so nothing hides again;
# one more runs the clock again.
xdotool key --window "$MW_ID" space
wait_until 5 cursor_is visible || fail "a key did not bring the pointer back"
xdotool key --window "$MW_ID" space
sleep 5
cursor_is visible || fail "a Space after the waking key did not pause the clock"
xdotool key --window "$MW_ID" space
wait_until 10 cursor_is blank || fail "a Space on the run button did not start the clock again"
# The window may be gone before the keys' release reaches it: xdotool then reports an error.
xdotool key --window "$MW_ID" alt+F4 2> /dev/null || true
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after Alt+F4"
[[ ! -e $folder/winmm.dll.loaded ]] || fail "the winmm.dll planted beside the program was loaded"
