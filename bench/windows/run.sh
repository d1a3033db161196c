#!/bin/bash
# The Windows program under Wine: its size; launch → window mapped → first frame against a bare
# Win32 window built the same way and the same with the common controls 6 the program's manifest
# asks for (xr-launch-probe, which stamps the X server's MapNotify of the window; interleaved,
# order turned each round); then CPU per minute of a running count-up against a bare Win32 clock
# counting up (bare_clock.c), and of the idle program after a countdown's cue against the bare
# window and the program that never played a cue: every subject once a round, order turned each
# round. Prints every run, medians and ratios. Not a test.
#
#   bench/windows/run.sh [--runs N] [--cpu-seconds S] [--cpu-rounds N] [--build DIR]
#                        [--probe PROGRAM] [--realtime] [--before EXE]
#
# --runs N: counted launches of each (default 7). --cpu-rounds N: rounds of the CPU subjects
# (default 7; 0 skips them), S seconds each (default 30).
# --probe: xr-launch-probe of a Linux build (default build-bench/bench/startup/xr-launch-probe).
# --realtime (root only): everything the run starts (X server, Wine, the programs) runs at a
# real-time priority, ahead of other work on the machine, which otherwise blurs launch times
# of about 100 ms beyond use on a busy machine.
# --before EXE: another build of the program (an earlier commit's, say), launched in every round
# beside this one, for a before/after of a few milliseconds that separate runs, minutes apart,
# blur.
#
# Every wine and wineserver call is given this tree's prefix: a wineserver of another prefix
# (another tree's tests) must never be the one started, stopped or measured.
set -euo pipefail
unset WINEPREFIX
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-windows
probe=$root/build-bench/bench/startup/xr-launch-probe
runs=7
cpu_s=30
cpu_rounds=7
before=
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --cpu-seconds) cpu_s=$2; shift 2 ;;
    --cpu-rounds) cpu_rounds=$2; shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;  # Wine takes only an absolute prefix
    --probe) probe=$2; shift 2 ;;
    --realtime) chrt -f -p 10 $$; shift ;;
    --before) before=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    *)
      echo "usage: $0 [--runs N] [--cpu-seconds S] [--cpu-rounds N] [--build DIR]" \
        "[--probe PROGRAM] [--realtime] [--before EXE]" >&2
      exit 2
      ;;
  esac
done
program=$build/app/xiuran-timer.exe
bare=$build/bench/windows/xr-bench-bare-window.exe
controls=$build/bench/windows/xr-bench-bare-controls.exe
clock=$build/bench/windows/xr-bench-bare-clock.exe
client=$build/tests/win32/wine_client.exe
for f in "$program" "$bare" "$controls" "$clock" "$client" ${before:+"$before"}; do
  [[ -f $f ]] || {
    echo "not built: $f (scripts/build-windows.sh --build-tests, or only the targets" \
      "xiuran-timer xr-bench-bare-window xr-bench-bare-controls xr-bench-bare-clock" \
      "wine_client of a tree configured with the tests)" >&2
    exit 1
  }
done
[[ -x $probe ]] || { echo "not built: $probe (a Linux build with libx11-dev; --probe)" >&2; exit 1; }
# shellcheck source=bench/lib.sh
source "$root/bench/lib.sh"

prefix=$build/wine-prefix
work=$(mktemp -d "${TMPDIR:-/tmp}/xr-bench-win.XXXXXX")
app=
cleanup() {
  bench_stop "$app"
  WINEPREFIX=$prefix wineserver -k 2> /dev/null || true
  bench_stop "$XVFB_PID"
  rm -rf "$work"
}
trap cleanup EXIT
bench_private_session "$work"
# Wine plays through ALSA when no sound server runs: into nothing, at the pace of a real device.
cat > "$HOME/.asoundrc" << EOF
pcm.!default { type plug slave { pcm "xr_none" format S16_LE rate 44100 channels 2 } }
pcm.xr_none { type file slave.pcm "null" file "/dev/null" format "raw" }
EOF
xvfb_start "$work" || exit 1
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
run() { "$root/cmake/wine-run.sh" "$prefix" "$@"; }
# The prefix made, then one session for every launch, as a desktop has: started first, its
# first client's output not piped.
run cmd /c exit > /dev/null 2>&1
WINEPREFIX=$prefix wineserver -w
WINEPREFIX=$prefix wineserver -p
run cmd /c exit > /dev/null 2>&1

echo "# windows bench, $(date -Iseconds), $(nproc) cores, $(WINEPREFIX=$prefix wine --version 2> /dev/null)," \
  "Xvfb 1920x1080x24, load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "exe size: $(stat -c %s "$program") bytes (limit 1.5 MB)"

# Launched through wine-run.sh, which becomes wine, which becomes the program: the window's
# _NET_WM_PID is the pid the probe forked. HWM is the Wine process's own.
launcher=$root/cmake/wine-run.sh,$prefix
rc=0
"$probe" --runs "$runs" --warmup 1 --settle-ms 300 --log "$work/programs.log" \
  "bare=$launcher,$bare" "controls=$launcher,$controls" "xiuran=$launcher,$program" \
  ${before:+"before=$launcher,$before"} > "$work/probe" || rc=$?
cat "$work/probe"
# The probe gives ratios to its first program; to the one with common controls too:
awk '/^medians/ { m = 1; next } /ratio to/ { m = 0 }
  m && $1 == "controls" { c_map = $2; c_paint = $3 }
  m && ($1 == "xiuran" || $1 == "before") { map[$1] = $2; paint[$1] = $3 }
  END { for (n in map) if (c_map > 0 && c_paint > 0)
    printf "%-10s %9.2f %9.2f   <- ratio to controls\n", n, map[n] / c_map, paint[n] / c_paint }' \
  "$work/probe"
((cpu_rounds > 0)) || exit $rc

# cpu_ns PID: the process's CPU-time clock (clock_getcpuclockid's, made from the pid as glibc
# makes it) in ns: all its threads, those that have ended included; exact, where utime+stime
# comes in 10 ms steps.
cpu_ns() { python3 -c 'import sys, time; print(time.clock_gettime_ns(((~int(sys.argv[1])) << 3) | 2))' "$1"; }
now() { date +%s.%N; }
# wait_window TITLE: until a window of that title is visible (up to 20 s); 1 when none came.
wait_window() {
  for _ in $(seq 1 400); do
    [[ -n $(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null) ]] && return 0
    sleep 0.05
  done
  return 1
}
# gone TITLE: waits until no window of that title is visible.
gone() {
  for _ in $(seq 1 500); do
    [[ -z $(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null) ]] && return 0
    sleep 0.01
  done
  echo "a window \"$1\" stayed" >&2
  exit 1
}
# click TITLE X Y: clicks the Wine window at X Y of its client area, inside the frame that Wine
# draws in the X window.
click() {
  local id left=0 top=0 X Y WIDTH HEIGHT SCREEN WINDOW
  id=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  read -r left top _ < <(run "$client" inset "$id" | tr -d '\r')
  xdotool mousemove $((X + left + $2)) $((Y + top + $3)) click 1
  sleep 0.3
}
# count_up TITLE: selects 正计时 and presses 开 始, at their design places.
count_up() {
  click "$1" 205 23
  click "$1" 104 320
  sleep 1
}
# cue_played TITLE: counts down from 00:04 and waits until the cue (4.7 s from the first tick)
# has played out, with a second to spare.
cue_played() {
  for _ in 1 2 3 4; do click "$1" 424 80; done
  click "$1" 104 320
  sleep 7
}
# our_server: the pid of this prefix's wineserver (other prefixes may have theirs running), found
# by its working directory, which is named after the prefix's device and inode.
our_server() {
  local want p
  want=$(printf 'server-%s-%x' "$(stat -c %D "$prefix")" "$(stat -c %i "$prefix")")
  for p in $(pgrep -x "wineserver(64)?"); do
    [[ $(readlink "/proc/$p/cwd") == */"$want" ]] && echo "$p" && return 0
  done
  return 0
}
# wine_cpu NAME TITLE EXE [SETUP]: appends "NAME PROGRAM WINESERVER" (CPU s per minute) to
# $work/cpu, measured over cpu_s seconds after SETUP (a function; none: as it starts).
wine_cpu() {
  local name=$1 title=$2 server p0 p1 s0 s1 t0 t1
  # Not through run(): a function in the background is a subshell, and app would be its pid.
  "$root/cmake/wine-run.sh" "$prefix" "$3" > /dev/null 2>&1 &
  app=$!  # wine-run.sh becomes wine, which becomes the program
  if ! wait_window "$title"; then
    # Seen once (the bare window, cause not found): reported and left out, not the end of the run.
    echo "$name: no window \"$title\" in 20 s; not counted" >&2
    bench_stop "$app"
    app=
    return 0
  fi
  sleep 1
  [[ -z ${4:-} ]] || "$4" "$title"
  server=$(our_server)
  [[ -n $server ]] || { echo "no wineserver of $prefix found" >&2; exit 1; }
  p0=$(cpu_ns "$app"); s0=$(cpu_ns "$server"); t0=$(now)
  sleep "$cpu_s"
  p1=$(cpu_ns "$app"); s1=$(cpu_ns "$server"); t1=$(now)
  bench_stop "$app"
  app=
  gone "$title"
  awk -v n="$name" -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v t0="$t0" -v t1="$t1" 'BEGIN {
    m = (t1 - t0) / 60; printf "%s %.4f %.4f\n", n, p / 1e9 / m, s / 1e9 / m }' | tee -a "$work/cpu"
}

echo
echo "# CPU s per minute under Wine (program, then wineserver), $cpu_s s each, $cpu_rounds round(s):"
echo "# running = count-up; clock = bare Win32 clock counting up; idle-bare = bare window;"
echo "# idle-fresh = program never played a cue; idle-cued = program after a countdown's cue"
subjects=(running clock idle-bare idle-fresh idle-cued)
: > "$work/cpu"
for ((r = 0; r < cpu_rounds; r++)); do
  for ((k = 0; k < ${#subjects[@]}; k++)); do
    s=${subjects[(k + r) % ${#subjects[@]}]}
    case $s in
      running) wine_cpu "$s" 岫然计时器 "$program" count_up ;;
      clock) wine_cpu "$s" "bare clock" "$clock" ;;
      idle-bare) wine_cpu "$s" bare "$bare" ;;
      idle-fresh) wine_cpu "$s" 岫然计时器 "$program" ;;
      idle-cued) wine_cpu "$s" 岫然计时器 "$program" cue_played ;;
    esac
  done
done
echo
echo "# medians over rounds: program, wineserver"
awk '
  function median(s,   a, n, i, j, t) {
    n = split(s, a, " ")
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] + 0 < a[i] + 0) { t = a[i]; a[i] = a[j]; a[j] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "n/a" }
  { p[$1] = p[$1] " " $2; w[$1] = w[$1] " " $3 }
  END {
    split("running clock idle-bare idle-fresh idle-cued", names, " ")
    for (i = 1; i <= 5; i++) {
      n = names[i]; mp[n] = median(p[n]); mw[n] = median(w[n])
      printf "%-11s %8.4f %8.4f\n", n, mp[n], mw[n]
    }
    printf "running / clock: program %s, wineserver %s\n", ratio(mp["running"], mp["clock"]),
      ratio(mw["running"], mw["clock"])
    # Next to nothing when all is well: differences, not ratios.
    printf "idle-cued - idle-fresh: program %+.4f, wineserver %+.4f; idle-fresh - idle-bare:" \
      " program %+.4f, wineserver %+.4f\n", mp["idle-cued"] - mp["idle-fresh"],
      mw["idle-cued"] - mw["idle-fresh"], mp["idle-fresh"] - mp["idle-bare"],
      mw["idle-fresh"] - mw["idle-bare"]
  }' "$work/cpu"
exit $rc
