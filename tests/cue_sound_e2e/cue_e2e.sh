#!/bin/bash
# End-to-end checks of cue playback through a real sound server.
#
#   cue_e2e.sh play|restart|stall|no-server PLAYER CHECKER CUE.wav
#
# play:      a private PulseAudio with a null sink; files that cannot be played (missing, cut
#            short, garbage) must play nothing, then the cue must arrive complete, at its
#            offsets, at half amplitude (checked by CHECKER on a recording of the sink).
# restart:   the cue started again 500 ms after the first start must start over from its
#            beginning and then play to its end.
# stall:     the player, frozen for 400 ms in the middle of the cue (as a busy or starved GUI
#            thread would be), must still deliver the cue without a gap: the server plays on
#            from what the player buffered ahead.
# no-server: with no sound server at all, the player must exit 0 promptly and quietly for the
#            cue and for unplayable files.
set -euo pipefail

mode=$1
player=$2
checker=$3
cue=$4

fail() {
  # Whatever the player said explains a failure best: a crash report, a warning.
  if [[ -s ${work:-}/player.err ]]; then
    cat "$work/player.err" >&2
  fi
  echo "FAIL: $*" >&2
  exit 1
}

[[ -x $player ]] || fail "player not built: $player"
[[ -f $cue ]] || fail "cue file missing: $cue"

work=$(mktemp -d)
pulse_started=0
recorder_pid=
cleanup() {
  if [[ -n $recorder_pid ]]; then
    kill "$recorder_pid" 2>/dev/null || true
    wait "$recorder_pid" 2>/dev/null || true
  fi
  if [[ $pulse_started == 1 ]]; then
    # The daemon's own pid file, in this test's private runtime directory.
    pulseaudio --kill 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A private environment: no session sound server, no display, nothing of the caller's.
export XDG_RUNTIME_DIR=$work/run
export HOME=$work/home
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$HOME/.config/pulse"
unset PULSE_SERVER PULSE_SINK DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
# A client must never start a server of its own: "no server" has to stay that way.
echo "autospawn = no" > "$HOME/.config/pulse/client.conf"

# The player reads only from a directory of the user's own, as the program's cue directory is.
cp "$cue" "$work/cue.wav"
cue=$work/cue.wav
# Unplayable files, as a cue file can be left by a failed or interrupted write.
head -c 40 "$cue" > "$work/short.wav"
head -c 100000 /dev/urandom > "$work/garbage.wav"
: > "$work/empty.wav"
bad_files=("$work/missing.wav" "$work/short.wav" "$work/garbage.wav" "$work/empty.wav")

# Runs the player; it must exit 0 within 20 s and write nothing to stderr.
run_player() {
  local rc=0
  timeout 20 "$player" "$@" 2> "$work/player.err" || rc=$?
  [[ $rc == 124 ]] && fail "player hung: $*"
  [[ $rc == 0 ]] || fail "player exited $rc: $*"
  [[ -s $work/player.err ]] && fail "player wrote to stderr: $*"
  return 0
}

if [[ $mode == no-server ]]; then
  for file in "$cue" "${bad_files[@]}"; do
    run_player "$file"
    echo "ok   no server: $(basename "$file") exits 0 quietly"
  done
  run_player "$cue" --repeat-after-ms 100
  echo "ok   no server: a repeated play exits 0 quietly"
  exit 0
fi

command -v pulseaudio > /dev/null || fail "pulseaudio is not installed (apt-get install pulseaudio)"
command -v parec > /dev/null || fail "parec is not installed (apt-get install pulseaudio-utils)"

pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes \
  --log-target="file:$work/pulse.log" --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=null rate=44100 channels=2" ||
  fail "pulseaudio did not start: $(cat "$work/pulse.log" 2>/dev/null)"
pulse_started=1
pactl set-default-sink null || fail "no null sink"

parec -d null.monitor --latency-msec=10 --format=s16le --rate=44100 --channels=2 --raw \
  > "$work/rec.raw" &
recorder_pid=$!
# The null sink's monitor delivers nothing for about the first 2 s: play only once data flows.
for _ in $(seq 1 200); do
  [[ -s $work/rec.raw ]] && break
  sleep 0.05
done
[[ -s $work/rec.raw ]] || fail "no data from the null sink's monitor in 10 s"
sleep 0.3

case $mode in
  play)
    for file in "${bad_files[@]}"; do
      run_player "$file"
    done
    run_player "$cue"
    checker_args=()
    ;;
  stall)
    # The player itself is frozen, so it runs without timeout(1) in between; same 20 s limit.
    "$player" "$cue" 2> "$work/player.err" &
    player_pid=$!
    sleep 2
    kill -STOP "$player_pid"
    sleep 0.4
    kill -CONT "$player_pid"
    for _ in $(seq 1 200); do
      kill -0 "$player_pid" 2> /dev/null || break
      sleep 0.1
    done
    if kill -0 "$player_pid" 2> /dev/null; then
      kill "$player_pid"
      fail "player hung after a stall"
    fi
    wait "$player_pid" || fail "player exited $? after a stall"
    [[ -s $work/player.err ]] && fail "player wrote to stderr"
    checker_args=()
    ;;
  restart)
    run_player "$cue" --repeat-after-ms 500
    checker_args=(--restart-after-ms 500)
    ;;
  *)
    fail "unknown mode $mode"
    ;;
esac

# The player exits once the sound has left it; give the recorder time to receive the tail.
sleep 0.5
kill "$recorder_pid"
wait "$recorder_pid" 2>/dev/null || true
recorder_pid=

"$checker" "$cue" "$work/rec.raw" "${checker_args[@]}"
