#!/bin/bash
# Soak: does the program hold up, and hold its memory, over a long time? Two parts:
#
# 1. virtual: xr-bench-soak plays N random events on every window of the program on the fake
#    platform (virtual time, so ten million events cover weeks) with every rule checked after
#    every event; prints the rate, the rules checked, any violation with its replay, and memory.
# 2. real: xiuran-timer counting up for M minutes, full screen on a private Xvfb, the pointer
#    moved at random intervals of 2 to 20 s, so that the idle hide and the show after it both
#    happen many times. VmRSS is sampled every 10 s; prints the first-minute and the final
#    figure and their difference, beside the same of a floor running for the same minutes:
#    xr-bench-clock-baseline, a plain Qt clock counting up (it reads the pointer each second and
#    blinks its colon too), started first and so beneath the program's full-screen window,
#    where it repaints all the same: what Qt and the X connection grow by on their own. At the end the minutes cells are compared with the same
#    program set by its adjusters to M minutes (and, as a control, to M-1): a clock that
#    stopped or drifted would not match.
#
#   bench/soak/run.sh [--minutes M] [--events N] [--seed S] [--build DIR]
#
# --minutes 0 or --events 0 skips that part. Not a test: nothing passes or fails on time.
set -euo pipefail

build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-bench
minutes=10
events=10000000
seed=1
while [[ $# -gt 0 ]]; do
  case $1 in
    --minutes) minutes=$2; shift 2 ;;
    --events) events=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--minutes M] [--events N] [--seed S] [--build DIR]" >&2; exit 2 ;;
  esac
done
((minutes >= 0 && minutes <= 59)) || { echo "--minutes: 0 to 59" >&2; exit 2; }
bench=$build/bench/soak/xr-bench-soak
program=$build/app/xiuran-timer
floor=$build/bench/cpu_running/xr-bench-clock-baseline
xcursor=$build/tools/xcursor/xr-xcursor

echo "# soak bench, $(date -Iseconds), $(nproc) cores, build $build" \
  "($(awk -F= '/^CMAKE_BUILD_TYPE:/ {print $2}' "$build/CMakeCache.txt" 2> /dev/null))"
echo "# uptime: $(uptime)"

if ((events > 0)); then
  [[ -x $bench ]] || { echo "not built: $bench" >&2; exit 1; }
  echo
  echo "## virtual: $events random events, seed $seed"
  "$bench" --events "$events" --seed "$seed" || echo "(xr-bench-soak exited $?)"
fi
((minutes > 0)) || exit 0

for f in "$program" "$floor"; do [[ -x $f ]] || { echo "not built: $f" >&2; exit 1; }; done
for t in xdotool xwininfo import compare; do
  command -v $t > /dev/null || { echo "needs $t (xdotool, x11-utils, imagemagick)" >&2; exit 1; }
done
[[ -x $xcursor ]] || xcursor=

work=$(mktemp -d)
subject_pid=
floor_pid=
# shellcheck source=bench/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cleanup() {
  bench_stop "$subject_pid" "$floor_pid"
  bench_stop "$XVFB_PID"
  rm -rf "$work"
}
trap cleanup EXIT
bench_private_session "$work"
xvfb_start "$work" || exit 1

now_ms() { date +%s%3N; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
cursor() { [[ -n $xcursor ]] && { "$xcursor" 2> /dev/null || true; } | cut -d' ' -f1; }

# Starts the program full screen; sets subject_pid and wid.
launch() {
  "$program" 2>> "$work/program.log" &
  subject_pid=$!
  wid=$(bench_find_window "$subject_pid")
  [[ -n $wid ]] || { echo "no window" >&2; exit 1; }
  xdotool windowmove "$wid" 0 0 windowsize "$wid" 1920 1080
  sleep 1
  local geo
  geo=$(bench_geometry "$wid")
  [[ $geo == "0 0 1920 1080" ]] || { echo "window is at $geo, not 0 0 1920 1080" >&2; exit 1; }
}

# The two minutes cells (f1, f0), clear of the adjusters above and below them and of the
# blinking colon to their right.
minutes_cells() { import -silent -window "$wid" -crop 600x400+212+300 +repage "$1"; }

echo
echo "## real: xiuran-timer counting up for $minutes min, full screen, pointer moved every 2-20 s"
"$floor" 2>> "$work/program.log" &
floor_pid=$!
[[ -n $(bench_find_window "$floor_pid") ]] || { echo "the floor shows no window" >&2; exit 1; }
launch
bench_click_design 2160 120 1815 465 # 正计时
bench_click_design 960 4560 1215 495 # 开 始
start=$(now_ms)
end=$((start + minutes * 60000))
next_sample=$((start + 10000))
RANDOM=$seed
next_move=$((start + (RANDOM % 18001) + 2000))
last_move_at=$start
samples=() floor_samples=() moves=0 long_rests=0 hidden_before=0 shown_after=0 first_minute=
floor_first_minute=
printf "%6s %9s %9s\n" "t s" "VmRSS kB" "floor kB"
while :; do
  t=$(now_ms)
  ((t < end)) || break
  if ((t >= next_sample)); then
    kb=$(rss_kb "$subject_pid")
    fkb=$(rss_kb "$floor_pid")
    samples+=("$kb")
    floor_samples+=("$fkb")
    elapsed=$(((next_sample - start) / 1000))
    printf "%6d %9d %9d\n" "$elapsed" "$kb" "$fkb"
    ((elapsed == 60)) && first_minute=$kb && floor_first_minute=$fkb
    next_sample=$((next_sample + 10000))
  fi
  if ((t >= next_move)); then
    # After a rest of more than the idle limit (3 s, +0.5 for the whole-second stamp) and a tick, the pointer must be hidden now...
    rest=$((t - last_move_at))
    if ((moves > 0 && rest > 5500)); then
      ((++long_rests))
      [[ $(cursor) == blank ]] && ((++hidden_before))
    fi
    xdotool mousemove $((RANDOM % 1900 + 10)) $((RANDOM % 1060 + 10))
    last_move_at=$(now_ms)
    ((++moves))
    # ...and shown again once the next tick has seen the move.
    sleep 1.5
    [[ $(cursor) == visible ]] && ((++shown_after))
    next_move=$((last_move_at + (RANDOM % 18001) + 2000))
  fi
  sleep 0.2
done
# Past the last second of the run, inside the minute it reached: the face reads M:01 or so.
sleep 1.5
minutes_cells "$work/run.png"
last=${samples[-1]}
floor_last=${floor_samples[-1]}
kb=$(rss_kb "$subject_pid")
bench_stop "$subject_pid" "$floor_pid"
subject_pid='' floor_pid=''

# The same program set to M minutes with the adjusters, then to M-1 as a control.
launch
for ((i = 0; i < minutes / 10; i++)); do bench_click_design 1080 960 735 495; done # jf1 +
for ((i = 0; i < minutes % 10; i++)); do bench_click_design 2400 960 735 495; done # jf0 +
xdotool mousemove 960 1070
sleep 0.5
minutes_cells "$work/same.png"
if ((minutes % 10 > 0)); then
  bench_click_design 2400 3600 735 495 # kf0 -
else
  bench_click_design 1080 3600 735 495 # kf1 -
  for ((i = 0; i < 9; i++)); do bench_click_design 2400 960 735 495; done
fi
xdotool mousemove 960 1070
sleep 0.5
minutes_cells "$work/other.png"
bench_stop "$subject_pid"
subject_pid=
differing() { compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 || true; }
same=$(differing "$work/run.png" "$work/same.png")
other=$(differing "$work/run.png" "$work/other.png")

echo
if [[ -n $first_minute ]]; then
  echo "RSS after the first minute: $first_minute kB; at the end: $last kB (at exit $kb kB);" \
    "difference: $((last - first_minute)) kB (aim: within 1024), ratio" \
    "$(awk -v a="$last" -v b="$first_minute" 'BEGIN { printf "%.4f", a / b }')"
  echo "floor (plain Qt clock) over the same time: $floor_first_minute kB -> $floor_last kB," \
    "difference: $((floor_last - floor_first_minute)) kB"
else
  echo "RSS at the end: $last kB (at exit $kb kB), floor $floor_last kB; the run was too short" \
    "for a first-minute figure"
fi
echo "pointer: $moves moves; hidden after $hidden_before of $long_rests rests over 5.5 s;" \
  "shown 1.5 s after $shown_after of $moves moves"
[[ -n $xcursor ]] || echo "(xr-xcursor not built: the pointer was not observed)"
printf "face: minutes cells differ from the program set to %02d: in %s pixels; from %02d: in %s" \
  "$minutes" "$same" "$((minutes - 1))" "$other"
echo " (of 240000)"
echo "# uptime at the end: $(uptime)"
if [[ -s $work/program.log ]]; then
  echo "# what the program wrote on stderr:"
  sort "$work/program.log" | uniq -c | head -10
fi
