#!/bin/bash
# Start-up benchmark: launch → window mapped → first frame drawn, CPU used by then, and peak RSS,
# for a bare Qt Widgets window and for xiuran-timer, interleaved, on a private Xvfb. Prints every
# run, the medians and the ratios xiuran/baseline. Not a test: nothing here passes or fails.
#
#   bench/startup/run.sh [--runs N] [--sound-server] [--build DIR] [--before PROGRAM]
#
# --runs N          counted launches of each program (default 9), after one warm-up launch each
# --before PROGRAM  another build of the program (an earlier commit's), launched in every run
#                   beside this one, for a before/after that separate runs would blur
# --sound-server    run a private PulseAudio with a null sink, as a desktop session has a sound
#                   server; by default there is none (the sound player then finds no device)
set -euo pipefail

build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-bench
runs=9
sound=0
before=
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --sound-server) sound=1; shift ;;
    --build) build=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--sound-server] [--build DIR] [--before PROGRAM]" >&2; exit 2 ;;
  esac
done
probe=$build/bench/startup/xr-launch-probe
baseline=$build/bench/startup/xr-bench-startup-baseline
program=$build/app/xiuran-timer
for f in "$probe" "$baseline" "$program" ${before:+"$before"}; do
  [[ -x $f ]] || { echo "not built: $f (build $build first)" >&2; exit 1; }
done

work=$(mktemp -d)
pulse_started=0
# shellcheck source=bench/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cleanup() {
  if [[ $pulse_started == 1 ]]; then
    # The daemon's own pid file, in this run's private runtime directory.
    pulseaudio --kill 2>/dev/null || true
  fi
  bench_stop "$XVFB_PID"
  rm -rf "$work"
}
trap cleanup EXIT

bench_private_session "$work"

if [[ $sound == 1 ]]; then
  command -v pulseaudio > /dev/null || { echo "--sound-server needs pulseaudio" >&2; exit 1; }
  pulseaudio -D -n --exit-idle-time=-1 --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=null" 2> "$work/pulse.log"
  pulse_started=1
  for _ in $(seq 50); do pactl info > /dev/null 2>&1 && break; sleep 0.1; done
  pactl set-default-sink null
fi

xvfb_start "$work" || exit 1

echo "# startup bench, $(date -Iseconds), $(nproc) cores, Xvfb 1920x1080x24," \
  "$([[ $sound == 1 ]] && echo "private PulseAudio (null sink)" || echo "no sound server")," \
  "load: $(cut -d' ' -f1-3 /proc/loadavg)"
rc=0
"$probe" --runs "$runs" --warmup 1 --log "$work/programs.log" \
  "baseline=$baseline" "xiuran=$program" ${before:+"before=$before"} || rc=$?
echo "# load after: $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ -s $work/programs.log ]]; then
  echo "# what the programs wrote on stderr:"
  sort "$work/programs.log" | uniq -c | head -10
fi
exit $rc
