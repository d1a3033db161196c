# shellcheck shell=bash
# A sound server that accepts a connection and never answers keeps its client waiting for half a
# minute at a time. The clock must not notice: the real program counts down from 00:06 with such
# a server, watched from outside the program by xr-face-watch.
#
# Margins: every second of the face must arrive within 100 ms of its deadline, and the hidden
# controls must come back within the idle watch's second (plus the same 100 ms) of a pointer
# move. A loaded machine delays a tick by a few milliseconds; a clock held up by the sound server
# is late by some 30 s. Neither margin is near either figure.

# The seconds-units cell without its top and bottom rows, where the adjusters above and below
# it overlap it when they show; and the start button.
SS_FACE_RECT="384,100,81,136"
SS_START_RECT="64,304,81,33"

scenario_silent_sound_server() {
  local A=$E2E_ARTIFACTS
  [[ -x ${XR_MUTE_SERVER:-} && -x ${XR_FACE_WATCH:-} ]] ||
    fail "XR_MUTE_SERVER or XR_FACE_WATCH not set to a built program"
  "$XR_MUTE_SERVER" "$E2E_WORK/pulse.sock" &
  e2e_track $!
  wait_until 5 test -S "$E2E_WORK/pulse.sock" || fail "the silent sound server did not listen"
  export PULSE_SERVER=unix:$E2E_WORK/pulse.sock
  start_xvfb
  mw_open
  mw_click jm0 6
  mw_crop "$E2E_WORK/first.png" m0 "$E2E_WORK/m0-design.png"
  wait_until 5 mw_fresh_cell_differs m0 "$E2E_WORK/m0-design.png" || fail "00:06 was not set"
  sleep 0.3

  "$XR_FACE_WATCH" "$MW_ID" 9000 "$SS_FACE_RECT" "$SS_START_RECT" > "$A/changes.txt" &
  local watcher=$!
  e2e_track "$watcher"
  sleep 0.3
  # The click lands somewhere between these two times.
  local x y before after moved
  read -r x y <<< "$(mw_centre start)"
  window_geometry "$MW_ID"
  xdotool mousemove $((WIN_X + x)) $((WIN_Y + y))
  before=$(date +%s%3N)
  xdotool click 1
  after=$(date +%s%3N)
  # Halfway between two of the idle watch's ticks, away from the face.
  sleep 2.5
  xdotool mousemove $((WIN_X + 20)) $((WIN_Y + 20))
  moved=$(date +%s%3N)
  wait "$watcher" || fail "the face watcher failed"
  e2e_log "click between $before and $after, pointer moved at $moved"

  # Changes of the face closer together than 150 ms are one paint of one second.
  local seconds
  seconds=$(awk '$1 == 0 && (last == "" || $2 - last > 150) { print $2; last = $2 }' \
    "$A/changes.txt")
  echo "$seconds" > "$A/seconds.txt"
  # From the click, and from the first second seen, whose time is known more closely.
  local k=0 t first=
  for t in $seconds; do
    k=$((k + 1))
    first=${first:-$t}
    ((t >= before + k * 1000 - 100 && t <= after + k * 1000 + 100)) ||
      fail "second $k of 6 arrived $((t - after - k * 1000)) ms after its deadline from the click"
    ((t - first - (k - 1) * 1000 <= 100 && first + (k - 1) * 1000 - t <= 100)) ||
      fail "second $k of 6 arrived $((t - first - (k - 1) * 1000)) ms from its deadline"
  done
  ((k == 6)) || fail "the face changed $k times in 8 s, not 6 (see changes.txt)"

  local shown
  shown=$(awk -v m="$moved" '$1 == 1 && $2 > m { print $2; exit }' "$A/changes.txt")
  [[ -n $shown ]] || fail "the controls never came back after the pointer moved"
  ((shown - moved <= 1100)) ||
    fail "the controls came back $((shown - moved)) ms after the pointer moved"

  # Nor may the server hold up the exit, or its client's notices crowd stderr.
  "$XR_XCLOSE" "$MW_ID" || fail "could not ask the main window to close"
  wait_exit "$E2E_PROGRAM_PID" 5
  ((EXIT_CODE == 0)) || fail "the program exited with $EXIT_CODE"
  grep -q "QThread" "$E2E_PROGRAM_ERR" && fail "a thread was torn down while running"
  (($(grep -c "PulseAudio" "$E2E_PROGRAM_ERR") <= 1)) ||
    fail "the sound server's notices reached stderr more than once"
  return 0
}

# Space held for two seconds while a count-up runs with the controls hidden, X repeating it: the
# press only brings the controls back, and the clock neither pauses nor falls behind, however the
# toolkit reports the repeats. Each second the face shows is counted against the wall clock, with
# a second's margin.
scenario_held_key() {
  local A=$E2E_ARTIFACTS start end n
  [[ -x ${XR_FACE_WATCH:-} ]] || fail "XR_FACE_WATCH not set to a built program"
  start_xvfb
  mw_open
  mw_click zjs
  "$XR_FACE_WATCH" "$MW_ID" 12000 "$SS_FACE_RECT" > "$A/changes.txt" &
  e2e_track $!
  mw_click start
  start=$(now_ms)
  wait_until 5 mw_now_button_gone "$A/running.png" || fail "the count-up did not start"
  sleep 1
  xdotool keydown space
  sleep 2
  xdotool keyup space
  mw_shot "$A/after.png"
  sleep 2
  end=$(now_ms)
  # The k-th second shown no more than a second after its time, and none missing at the end.
  n=$(awk -v s="$start" -v e="$end" '$2 > s && $2 <= e && $2 - last > 150 { n++; last = $2
    if ($2 - s > n * 1000 + 1000) late = late " " n } END { print n + 0 late }' "$A/changes.txt")
  e2e_log "seconds shown in $((end - start)) ms, then the late ones: $n"
  [[ $n != *" "* ]] || fail "seconds shown late (count, then the late ones): $n"
  ((n >= (end - start) / 1000 - 1)) || fail "the face showed $n seconds in $((end - start)) ms"
  mw_chrome_shown "$A/after.png" || fail "the held key did not bring the controls back"
}
