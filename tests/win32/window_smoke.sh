#!/usr/bin/env bash
# The Windows program under Wine on a private X server: its window, a digit set with "+", the
# face scaled with the window, a countdown that hides the controls, turns red and plays the cue
# at half volume, then brings the controls back at 00:00, the pointer hidden at rest, and the
# close box ending the program.
# Wine with no window manager maps the client area alone, as Qt does, so the helpers of the Qt
# program's end-to-end tests apply as they are.
#
#   window_smoke.sh WINE_RUN PREFIX PROGRAM.exe ARTIFACT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$here/../e2e/lib.sh"
# shellcheck source=tests/e2e/scenarios_main_window.sh
source "$here/../e2e/scenarios_main_window.sh"

wine_run=$1 prefix=$2 program=$3
e2e_init "$4"
A=$E2E_ARTIFACTS
# Wine's first start in a prefix is slow; that is not the program's.
E2E_WINDOW_TIMEOUT=60
start_xvfb
# ALSA's default device writes what is played to a file: Wine plays through it when no sound
# server runs.
capture=$E2E_WORK/played.raw
printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' "$capture" \
  > "$HOME/.asoundrc"
launch "$wine_run" "$prefix" "$program"
mw_await
assert_title "$MW_ID" "$MW_TITLE"
window_geometry "$MW_ID"
[[ "${WIN_W}x$WIN_H" == 520x363 ]] || fail "client area ${WIN_W}x$WIN_H, not 520x363"
mw_settled_shot "$A/start.png"
[[ $(dark_bbox "$E2E_WORK/face.png") != "0 0 0 0" ]] || fail "no digits drawn"
mw_crop "$A/start.png" zjs "$A/zjs.png"
[[ $(pixels_unlike "$A/zjs.png" white 30) -gt 20 ]] || fail "no caption on 正计时"

mw_crop "$A/start.png" m0 "$A/m0-0.png"
mw_click jm0 4
wait_until 10 mw_fresh_cell_differs m0 "$A/m0-0.png" || fail "\"+\" did not change the digit"
mw_settled_shot "$A/one.png"

# Twice the size: the digits' ink grows with the window.
read -r _ h0 _ _ <<< "$(dark_bbox "$A/m0-0.png")"
xdotool windowsize "$MW_ID" 1040 726
resized() { window_geometry "$MW_ID" && [[ $WIN_W == 1040 ]]; }
wait_until 10 resized || fail "not resized"
mw_settled_shot "$A/double.png"
mw_crop "$A/double.png" m1 "$A/m1-double.png" 2
read -r _ h2 _ _ <<< "$(dark_bbox "$A/m1-double.png")"
((h2 * 10 >= h0 * 17 && h2 * 10 <= h0 * 23)) || fail "digit ink $h0 px high, then $h2 at twice the size"
xdotool windowsize "$MW_ID" 520 363
mw_settled_shot "$A/back.png"

# 00:04 counted down: the controls go, the face turns red with the cue, the controls come back
# at 00:00.
mw_crop "$A/back.png" start "$A/start-button.png"
mw_click start
hidden() {
  mw_shot "$E2E_WORK/r.png"
  mw_crop "$E2E_WORK/r.png" start "$E2E_WORK/s.png"
  [[ $(pixels_unlike "$E2E_WORK/s.png" "$MW_BG" 5) == 0 ]]
}
wait_until 10 hidden || fail "the start button stayed while the clock ran"
red() { mw_shot "$A/red.png" && (($(red_pixels "$A/red.png") > 1000)); }
wait_until 10 red || fail "the face did not turn red"
wait_until 10 eval '! hidden' || fail "the controls did not come back at 00:00"
mw_shot "$A/ended.png"
# Every sample of the cue, at half its amplitude.
peak() { od -An -v -td2 -w2 "$1" | awk '{ v = $1 < 0 ? -$1 : $1; if (v > p) p = v; if ($1) n++ }
                                           END { print p + 0, n + 0 }'; }
wait_until 10 test -s "$capture" || fail "nothing was played"
sleep 5  # the cue lasts 4.7 s
wav=$XR_SOURCE_DIR/resources/3sdjs.wav
data=$(grep -obUa data "$wav" | head -1 | cut -d: -f1)  # the samples follow the chunk's size
read -r cue_peak cue_count <<< "$(tail -c +$((data + 9)) "$wav" | peak /dev/stdin)"
read -r got_peak got_count <<< "$(peak "$capture")"
e2e_log "cue peak $cue_peak over $cue_count samples; played $got_peak over $got_count"
# Within 1 %: a mixer may round; the full amplitude or a cut-off cue is far outside.
half=$((cue_peak / 2))
((got_peak * 100 >= half * 99 && got_peak * 100 <= half * 101 && got_count * 100 >= cue_count * 97)) ||
  fail "played peak $got_peak over $got_count samples, for a cue of $cue_peak over $cue_count"

# Counting up, the pointer goes after three seconds at rest and comes back when moved.
mw_click zjs
mw_click start
blank() { [[ $(cursor_state) == blank ]]; }
wait_until 10 blank || fail "the pointer stayed while the clock ran"
window_geometry "$MW_ID"
xdotool mousemove $((WIN_X + 10)) $((WIN_Y + 10))
wait_until 5 eval '! blank' || fail "the pointer did not come back when moved"

xdotool key --window "$MW_ID" alt+F4
wait_exit "$E2E_PROGRAM_PID" 30
((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the close box"
