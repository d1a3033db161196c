#!/bin/bash
# CPU use of a running clock at 1920×1080 on a private Xvfb: xiuran-timer counting up, against a
# plain Qt baseline doing the same work (xr-bench-clock-baseline, in its one-label and its
# per-digit-cell form). For each: CPU seconds per minute of the program itself (utime+stime of
# the whole process, from its CPU-time clock) and of the X server over the same minute (Xvfb renders
# nothing itself here, but it receives every repainted region and answers every pointer query),
# and the ratios xiuran/baseline. Not a test: nothing passes or fails on time.
#
#   bench/cpu_running/run.sh [--seconds S] [--warmup S] [--rounds N] [--build DIR]
#                            [--before PROGRAM]
# --rounds N: every subject measured once a round (default 7), the order turned by one each
#             round, so that a busy spell of the shared machine does not always fall on the same
#             subject; the medians are over the rounds.
# --before PROGRAM: another build of the program (an earlier commit's), measured in every round.
#
# xiuran-timer is moved to 0,0, resized to 1920×1080 with xdotool, set to count up with a click
# on 正计时 and started with a click on 开 始. The start click puts the pointer in the middle of
# the window and nothing moves it afterwards, so the program's own idle rule hides the controls
# and the pointer 3 s later, inside the warm-up: the minute measured is the clock as a user
# watches it, full screen with nothing but the digits and the colon.
set -euo pipefail

build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-bench
seconds=60
warmup=10
rounds=7
before=
while [[ $# -gt 0 ]]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    *) echo "usage: $0 [--seconds S] [--warmup S] [--rounds N] [--build DIR] [--before PROGRAM]" >&2
       exit 2 ;;
  esac
done
program=$build/app/xiuran-timer
baseline=$build/bench/cpu_running/xr-bench-clock-baseline
for f in "$program" "$baseline" ${before:+"$before"}; do
  [[ -x $f ]] || { echo "not built: $f" >&2; exit 1; }
done
for t in xdotool xwininfo import md5sum; do
  command -v $t > /dev/null || { echo "needs $t (xdotool, x11-utils, imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
subject_pid=
# shellcheck source=bench/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cleanup() {
  bench_stop "$subject_pid"
  bench_stop "$XVFB_PID"
  rm -rf "$work"
}
trap cleanup EXIT

bench_private_session "$work"

xvfb_start "$work" || exit 1

hz=$(getconf CLK_TCK)
# The process's CPU-time clock (clock_getcpuclockid's, made from the pid as glibc makes it), in
# ns: every thread, those that have ended included, so it never goes down, as a sum over the live
# threads' run times does when one ends; exact, where utime+stime comes in 1/CLK_TCK s steps, a
# tenth of a figure of about 0.1 s a minute. Both are printed; the first is the one to quote.
cpu_ns() { python3 -c 'import sys, time; print(time.clock_gettime_ns(((~int(sys.argv[1])) << 3) | 2))' "$1"; }
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
now() { date +%s.%N; }

results=()
measure() {
  local name=$1
  shift
  "$@" 2>> "$work/programs.log" &
  subject_pid=$!
  local wid
  wid=$(bench_find_window "$subject_pid")
  [[ -n $wid ]] || { echo "$name: no window" >&2; exit 1; }
  xdotool windowmove "$wid" 0 0 windowsize "$wid" 1920 1080
  sleep 1
  local geo
  geo=$(bench_geometry "$wid")
  [[ $geo == "0 0 1920 1080" ]] || { echo "$name: window is at $geo, not 0 0 1920 1080" >&2; exit 1; }
  if [[ $name == xiuran || $name == before ]]; then
    bench_click_design 2160 120 1815 465   # 正计时
    bench_click_design 960 4560 1215 495   # 开 始
  fi
  sleep "$warmup"
  # The face must be moving, or the minute would measure an idle window.
  local a b
  a=$(import -silent -window "$wid" rgb:- | md5sum)
  sleep 1.6
  b=$(import -silent -window "$wid" rgb:- | md5sum)
  [[ $a != "$b" ]] || { echo "$name: the face did not change in 1.6 s: not running" >&2; exit 1; }
  sleep 2

  local load0 p0 x0 pn0 xn0 t0 p1 x1 pn1 xn1 t1
  load0=$(cut -d' ' -f1 /proc/loadavg)
  p0=$(cpu_ticks "$subject_pid"); x0=$(cpu_ticks "$XVFB_PID")
  pn0=$(cpu_ns "$subject_pid"); xn0=$(cpu_ns "$XVFB_PID"); t0=$(now)
  sleep "$seconds"
  p1=$(cpu_ticks "$subject_pid"); x1=$(cpu_ticks "$XVFB_PID")
  pn1=$(cpu_ns "$subject_pid"); xn1=$(cpu_ns "$XVFB_PID"); t1=$(now)
  kill "$subject_pid"
  wait "$subject_pid" 2>/dev/null || true
  subject_pid=
  local line
  line=$(awk -v n="$name" -v p="$((p1 - p0))" -v x="$((x1 - x0))" -v t0="$t0" -v t1="$t1" \
    -v pn="$((pn1 - pn0))" -v xn="$((xn1 - xn0))" \
    -v hz="$hz" -v l0="$load0" -v l1="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
      m = (t1 - t0) / 60
      pe = pn / 1e9 / m; xe = xn / 1e9 / m
      printf "%-15s %9.4f %9.4f %9.4f   %6.2f %6.2f   %5.1f s  load %s -> %s\n", n, pe, xe, pe + xe,
        p / hz / m, x / hz / m, t1 - t0, l0, l1 }')
  echo "$line"
  results+=("$line")
}

echo "# cpu_running bench, $(date -Iseconds), $(nproc) cores, Xvfb 1920x1080x24," \
  "${seconds} s measured after ${warmup} s warm-up, $rounds round(s)"
echo "# CPU seconds per minute of the whole process: its CPU-time clock (exact), then"
echo "# utime+stime (1/$hz s steps)"
printf "%-15s %9s %9s %9s   %6s %6s\n" subject program Xvfb both "stat:p" "stat:X"
subjects=(xiuran baseline-label baseline-cells)
[[ -z $before ]] || subjects+=(before)
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < ${#subjects[@]}; k++)); do
    s=${subjects[(k + r) % ${#subjects[@]}]}
    case $s in
      xiuran) measure xiuran "$program" ;;
      before) measure before "$before" ;;
      baseline-label) measure baseline-label "$baseline" ;;
      baseline-cells) measure baseline-cells "$baseline" --cells ;;
    esac
  done
done

echo
echo "# medians over rounds, and ratios xiuran / baseline"
printf '%s\n' "${results[@]}" | awk '
  { p[$1] = p[$1] " " $2; x[$1] = x[$1] " " $3; b[$1] = b[$1] " " $4 }
  function median(s,   a, n, i, j, t) {
    n = split(s, a, " ")
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  END {
    printf "%-15s %9s %9s %9s\n", "subject", "program", "Xvfb", "both"
    split("xiuran baseline-label baseline-cells before", names, " ")
    for (i = 1; i <= 4; i++) {
      n = names[i]
      if (!(n in p)) continue
      mp[n] = median(p[n]); mx[n] = median(x[n]); mb[n] = median(b[n])
      printf "%-15s %9.4f %9.4f %9.4f\n", n, mp[n], mx[n], mb[n]
    }
    for (i = 2; i <= 4; i++) {
      n = names[i]
      if (!(n in p)) continue
      printf "ratio to %-6s %9.2f %9.2f %9.2f\n", (n == "before" ? n : substr(n, 10)), (mp[n] > 0 ? mp["xiuran"] / mp[n] : 0),
        (mx[n] > 0 ? mx["xiuran"] / mx[n] : 0), (mb[n] > 0 ? mb["xiuran"] / mb[n] : 0)
    }
  }'
if [[ -s $work/programs.log ]]; then
  echo "# what the programs wrote on stderr:"
  sort "$work/programs.log" | uniq -c | head -10
fi
