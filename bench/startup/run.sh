#!/bin/bash
# Start-up benchmark: launch → window mapped → first frame drawn, CPU used by then, and peak RSS,
# for a bare Qt Widgets window and for xiuran-timer, interleaved, on a private Xvfb; then peak
# memory once the clock has run, against a plain Qt clock (xr-bench-clock-baseline) counting up
# for as long. Prints every run, the medians and the ratios xiuran/baseline. Not a test: nothing
# here passes or fails.
#
#   bench/startup/run.sh [--runs N] [--run-seconds S] [--sound-server] [--no-session-bus]
#                        [--build DIR] [--before PROGRAM]
#
# --runs N          counted launches of each program (default 9), after one warm-up launch each;
#                   as many again, order turned each round, for the memory of a running clock
# --run-seconds S   how long the clock counts up before its VmHWM is read (default 5; 0 skips)
# --no-session-bus  no D-Bus session bus; by default the whole run is under dbus-run-session, as
#                   a desktop session has one and Qt connects to it at start
# --before PROGRAM  another build of the program (an earlier commit's), launched in every run
#                   beside this one, for a before/after that separate runs would blur
# --sound-server    run a private PulseAudio with a null sink, as a desktop session has a sound
#                   server; by default there is none (the sound player then finds no device)
set -euo pipefail

build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-bench
runs=9
run_s=5
sound=0
bus=1
before=
args=("$@")
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --run-seconds) run_s=$2; shift 2 ;;
    --sound-server) sound=1; shift ;;
    --no-session-bus) bus=0; shift ;;
    --in-session-bus) bus=2; shift ;;  # set by the re-run below
    --build) build=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--run-seconds S] [--sound-server] [--no-session-bus]" \
         "[--build DIR] [--before PROGRAM]" >&2; exit 2 ;;
  esac
done
if [[ $bus == 1 ]]; then
  command -v dbus-run-session > /dev/null ||
    { echo "needs dbus-run-session (dbus-daemon), or --no-session-bus" >&2; exit 1; }
  # The whole run under a bus of its own, ended with it.
  exec dbus-run-session -- "$BASH" "$0" "${args[@]}" --in-session-bus
fi
probe=$build/bench/startup/xr-launch-probe
baseline=$build/bench/startup/xr-bench-startup-baseline
clock=$build/bench/cpu_running/xr-bench-clock-baseline
program=$build/app/xiuran-timer
for f in "$probe" "$baseline" "$clock" "$program" ${before:+"$before"}; do
  [[ -x $f ]] || { echo "not built: $f (build $build first)" >&2; exit 1; }
done
((run_s == 0)) || for t in xdotool xwininfo import md5sum; do
  command -v $t > /dev/null || { echo "needs $t (xdotool, x11-utils, imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
pulse_started=0
subject_pid=
# shellcheck source=bench/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cleanup() {
  if [[ $pulse_started == 1 ]]; then
    # The daemon's own pid file, in this run's private runtime directory.
    pulseaudio --kill 2>/dev/null || true
  fi
  bench_stop "$subject_pid"
  bench_stop "$XVFB_PID"
  rm -rf "$work"
}
trap cleanup EXIT

session_bus=${DBUS_SESSION_BUS_ADDRESS:-}
bench_private_session "$work"
[[ $bus != 2 ]] || export DBUS_SESSION_BUS_ADDRESS=$session_bus

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
  "$([[ $bus == 2 ]] && echo "a session bus" || echo "no session bus")," \
  "load: $(cut -d' ' -f1-3 /proc/loadavg)"
rc=0
"$probe" --runs "$runs" --warmup 1 --log "$work/programs.log" \
  "baseline=$baseline" "xiuran=$program" ${before:+"before=$before"} || rc=$?
echo "# load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# ran_hwm NAME PROGRAM: VmHWM in kB of the program once its clock has counted up for run_s
# seconds; xiuran is set to count up and started with its buttons, the plain clock counts by
# itself. The face must change over that time, or no clock ran.
ran_hwm() {
  local name=$1 wid a b hwm
  "$2" >> "$work/programs.log" 2>&1 &
  subject_pid=$!
  wid=$(bench_find_window "$subject_pid")
  [[ -n $wid ]] || { echo "$name: no window" >&2; bench_stop "$subject_pid"; return 1; }
  if [[ $name != clock ]]; then
    bench_click_in "$wid" 2160 120 1815 465  # 正计时
    bench_click_in "$wid" 960 4560 1215 495  # 开 始
  fi
  a=$(import -silent -window "$wid" rgb:- | md5sum)
  sleep "$run_s"
  b=$(import -silent -window "$wid" rgb:- | md5sum)
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$subject_pid/status")
  bench_stop "$subject_pid"
  subject_pid=
  [[ $a != "$b" ]] || { echo "$name: the face did not change in $run_s s: not running" >&2; return 1; }
  echo "$hwm"
}
if ((run_s > 0)); then
  echo
  echo "# peak memory (VmHWM MB) after $run_s s of a running count-up; clock = plain Qt clock"
  subjects=(clock xiuran ${before:+before})
  declare -A exe=([clock]=$clock [xiuran]=$program [before]=$before) hwms=()
  for ((r = 0; r < runs; r++)); do
    line="run $((r + 1)):"
    for ((k = 0; k < ${#subjects[@]}; k++)); do
      s=${subjects[(k + r) % ${#subjects[@]}]}
      # Not in a $(...): the subject's pid has to be this shell's, for the cleanup.
      ran_hwm "$s" "${exe[$s]}" > "$work/hwm" || { rc=1; continue; }
      kb=$(< "$work/hwm")
      hwms[$s]+=" $kb"
      line+=" $s $(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')"
    done
    echo "$line"
  done
  median() { tr ' ' '\n' | awk NF | sort -n | awk '{ a[NR] = $1 } END {
    if (NR) printf "%.1f", (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) / 1024 }'; }
  m_clock=$(median <<< "${hwms[clock]:-}")
  for s in "${subjects[@]}"; do
    m=$(median <<< "${hwms[$s]:-}")
    echo "median $s: ${m:-none} MB$([[ $s == clock || -z $m || -z $m_clock ]] ||
      awk -v a="$m" -v b="$m_clock" 'BEGIN { printf ", ratio to clock %.2f", a / b }')"
  done
fi
if [[ -s $work/programs.log ]]; then
  echo "# what the programs wrote on stderr:"
  sort "$work/programs.log" | uniq -c | head -10
fi
exit $rc
