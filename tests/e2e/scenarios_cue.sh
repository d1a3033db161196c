# shellcheck shell=bash
# The countdown cue as a user hears it: the real program on a private X server, counting down
# through its last seconds, into a private sound server whose output is recorded.

# start_sound_server: a private PulseAudio with a null sink; records the sink into rec.raw once
# it delivers data (the null sink's monitor gives nothing for about the first two seconds).
start_sound_server() {
  command -v pulseaudio > /dev/null || fail "pulseaudio is not installed"
  command -v parec > /dev/null || fail "parec is not installed (pulseaudio-utils)"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target="file:$E2E_WORK/pulse.log" \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=null rate=44100 channels=2" &
  E2E_SOUND_PID=$!
  e2e_track "$E2E_SOUND_PID"
  wait_until 20 pactl info > /dev/null 2>&1 || fail "pulseaudio did not start"
  pactl set-default-sink null || fail "no null sink"
  parec -d null.monitor --latency-msec=10 --format=s16le --rate=44100 --channels=2 --raw \
    > "$E2E_WORK/rec.raw" &
  E2E_RECORDER_PID=$!
  e2e_track "$E2E_RECORDER_PID"
  wait_until 10 test -s "$E2E_WORK/rec.raw" || fail "the null sink delivered nothing in 10 s"
}

scenario_countdown_cue() {
  local A=$E2E_ARTIFACTS
  [[ -x ${XR_CUE_CHECK:-} && -r ${XR_CUE_WAV:-} ]] || fail "XR_CUE_CHECK or XR_CUE_WAV not set"
  start_cue_capture
  start_xvfb
  mw_open
  # 00:04, then start: the first tick shows 00:03 and starts the cue.
  mw_click jm0 4
  sleep 0.5
  mw_click start
  # The cue lasts 4.68 s from the first tick, but a loaded machine starts the player late: the
  # recording so far is checked until it holds the whole cue, within a generous limit.
  cue_heard() {
    cp "$E2E_WORK/rec.raw" "$A/rec.raw"
    "$XR_CUE_CHECK" "$XR_CUE_WAV" "$A/rec.raw" > "$A/cue-check.txt"
  }
  wait_until 40 cue_heard || fail "the cue was not heard whole (see rec.raw): $(grep FAIL \
    "$A/cue-check.txt")"
  # Heard whole, and still only once a second later.
  sleep 1
  cue_heard || fail "more than the cue was heard (see rec.raw): $(grep FAIL "$A/cue-check.txt")"
  if [[ -n ${E2E_RECORDER_PID:-} ]]; then
    kill "$E2E_RECORDER_PID"
    wait "$E2E_RECORDER_PID" 2> /dev/null || true
  fi
  grep -q "sound module is missing" "$E2E_PROGRAM_ERR" && fail "the program found no sound module"
  return 0
}
