#!/bin/bash
# Measures cue playback on a private PulseAudio null sink: latency from the Play call to the first
# sample at the sink's monitor (median of RUNS plays, default 7) and how much of the sound
# arrives, with QSoundEffect measured in the same run as a baseline, the two taking turns.
#
#   bench/cue_latency/run.sh [BUILD_DIR [RUNS]]     (default: build, 7)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
bench=$build/bench/cue_latency/xr-cue-latency-bench
[[ -x $bench ]] || { echo "not built: $bench" >&2; exit 1; }
command -v pulseaudio > /dev/null || { echo "pulseaudio is not installed" >&2; exit 1; }
command -v parec > /dev/null || { echo "parec (pulseaudio-utils) is not installed" >&2; exit 1; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$HOME/.config/pulse"
echo "autospawn = no" > "$HOME/.config/pulse/client.conf"
unset PULSE_SERVER PULSE_SINK DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
cleanup() {
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes \
  --log-target="file:$work/pulse.log" --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=null rate=44100 channels=2"
pactl set-default-sink null

echo "cue latency bench, $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$bench" "$repo/resources/3sdjs.wav" --runs "${2:-7}" --baseline
