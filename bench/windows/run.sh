#!/bin/bash
# The Windows program under Wine: its size, launch → window visible against a bare Win32
# window built the same way and the same with the common controls 6 the program's manifest asks
# for (interleaved, same run), and CPU per minute of a running count-up
# and of the idle program after a countdown's cue, against the bare window, the program that
# never played a cue and the Qt program when one is given. Prints every run, medians and
# ratios. Not a test.
#
#   bench/windows/run.sh [--runs N] [--cpu-seconds S] [--build DIR] [--qt PROGRAM] [--realtime]
#                        [--before EXE]
#
# --realtime (root only): everything the run starts (X server, Wine, the programs) runs at a
# real-time priority, ahead of other work on the machine, which otherwise blurs launch times
# of about 100 ms beyond use on a busy machine.
# --before EXE: another build of the program (an earlier commit's, say), launched in every run
# next to this one, first and second by turns, for a before/after of a few milliseconds that
# separate runs, minutes apart, blur.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-windows
runs=7
cpu_s=30
qt=
before=
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --cpu-seconds) cpu_s=$2; shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;  # Wine takes only an absolute prefix
    --qt) qt=$2; shift 2 ;;
    --realtime) chrt -f -p 10 $$; shift ;;
    --before) before=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    *)
      echo "usage: $0 [--runs N] [--cpu-seconds S] [--build DIR] [--qt PROGRAM] [--realtime]" \
        "[--before EXE]" >&2
      exit 2
      ;;
  esac
done
program=$build/app/xiuran-timer.exe
bare=$build/bench/windows/xr-bench-bare-window.exe
controls=$build/bench/windows/xr-bench-bare-controls.exe
for f in "$program" "$bare" "$controls" "$build/tests/win32/wine_client.exe" ${before:+"$before"}; do
  [[ -f $f ]] || { echo "not built: $f (scripts/build-windows.sh --no-test)" >&2; exit 1; }
done
# shellcheck source=bench/lib.sh
source "$root/bench/lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/xr-bench-win.XXXXXX")
app=
pulse_started=0
cleanup() {
  bench_stop "$app"
  WINEPREFIX=$build/wine-prefix wineserver -k 2> /dev/null || true
  [[ $pulse_started == 0 ]] || pulseaudio --kill 2> /dev/null || true
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
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
run() { "$root/cmake/wine-run.sh" "$WINEPREFIX" "$@"; }
# The prefix made, then one session for every launch, as a desktop has: started first, its
# first client's output not piped.
run cmd /c exit > /dev/null 2>&1
wineserver -w
wineserver -p
run cmd /c exit > /dev/null 2>&1

now_us() { echo $(($(date +%s%N) / 1000)); }
# launch_ms TITLE EXE: milliseconds from launch to the window being visible.
launch_ms() {
  local t0 id=
  t0=$(now_us)
  "$root/cmake/wine-run.sh" "$WINEPREFIX" "$2" > /dev/null 2>&1 &
  app=$!  # the script becomes the program
  for _ in $(seq 1 2000); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -1) || true
    [[ -n $id ]] && break
    sleep 0.005
  done
  echo $((($(now_us) - t0) / 1000))
  bench_stop "$app"
  app=
  gone "$1"
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
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

echo "exe size: $(stat -c %s "$program") bytes (limit 1.5 MB)"
launch_ms bare "$bare" > /dev/null  # warm-up: DLLs into the page cache
launch_ms bare "$controls" > /dev/null
launch_ms 岫然计时器 "$program" > /dev/null
[[ -z $before ]] || launch_ms 岫然计时器 "$before" > /dev/null
: > "$work/bare" && : > "$work/controls" && : > "$work/xr" && : > "$work/before"
for i in $(seq 1 "$runs"); do
  b=$(launch_ms bare "$bare")
  c=$(launch_ms bare "$controls")
  if [[ -z $before ]]; then
    x=$(launch_ms 岫然计时器 "$program")
    echo "run $i: bare $b ms, bare with common controls $c ms, xiuran $x ms"
  else
    # A launch right after another of the same program is not quite like one after a bare window.
    if ((i % 2)); then
      x=$(launch_ms 岫然计时器 "$program")
      p=$(launch_ms 岫然计时器 "$before")
    else
      p=$(launch_ms 岫然计时器 "$before")
      x=$(launch_ms 岫然计时器 "$program")
    fi
    echo "run $i: bare $b ms, bare with common controls $c ms, xiuran $x ms, before $p ms"
    echo "$p" >> "$work/before"
  fi
  echo "$b" >> "$work/bare"
  echo "$c" >> "$work/controls"
  echo "$x" >> "$work/xr"
done
mb=$(median < "$work/bare")
mc=$(median < "$work/controls")
mx=$(median < "$work/xr")
echo "launch → visible, median of $runs: bare $mb ms, bare with common controls $mc ms," \
  "xiuran $mx ms, ratio $(awk -v a="$mx" -v b="$mb" 'BEGIN { printf "%.2f", a / b }')" \
  "(to the bare window with common controls $(awk -v a="$mx" -v b="$mc" 'BEGIN { printf "%.2f", a / b }'))"
if [[ -n $before ]]; then
  mp=$(median < "$work/before")
  echo "before ($before): median $mp ms, ratio" \
    "$(awk -v a="$mp" -v b="$mb" 'BEGIN { printf "%.2f", a / b }') (to the bare window with" \
    "common controls $(awk -v a="$mp" -v b="$mc" 'BEGIN { printf "%.2f", a / b }'))"
fi
for f in bare controls xr before; do
  if [[ -s $work/$f ]]; then echo "all of $f, sorted: $(sort -n "$work/$f" | tr '\n' ' ')"; fi
done

# cpu_per_minute PID: CPU seconds (user + system) the process uses per minute of running.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_per_minute() {
  local before after hz
  hz=$(getconf CLK_TCK)
  before=$(ticks "$1")
  sleep "$cpu_s"
  after=$(ticks "$1")
  awk -v t=$((after - before)) -v hz="$hz" -v s="$cpu_s" 'BEGIN { printf "%.2f", t / hz * 60 / s }'
}
# click TITLE X Y [wine]: clicks the window at X Y of its client area; for a Wine window, inside
# the frame that Wine draws in the X window.
click() {
  local id left=0 top=0
  id=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  [[ ${4:-} != wine ]] ||
    read -r left top _ < <(run "$build/tests/win32/wine_client.exe" inset "$id" | tr -d '\r')
  xdotool mousemove $((X + left + $2)) $((Y + top + $3)) click 1
  sleep 0.3
}
# count_up TITLE [wine]: selects 正计时 and presses 开 始, at their design places.
count_up() {
  click "$1" 205 23 "${2:-}"
  click "$1" 104 320 "${2:-}"
  sleep 1
}
# cue_played TITLE [wine]: counts down from 00:04 and waits until the cue (4.7 s from the first
# tick) has played out, with a second to spare.
cue_played() {
  for _ in 1 2 3 4; do click "$1" 424 80 "${2:-}"; done
  click "$1" 104 320 "${2:-}"
  sleep 7
}
per_minute() {
  awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v s="$cpu_s" 'BEGIN { printf "%.2f", t / hz * 60 / s }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
# our_server: the pid of this prefix's wineserver (other prefixes may have theirs running), found
# by its working directory, which is named after the prefix's device and inode.
our_server() {
  local want p
  want=$(printf 'server-%s-%x' "$(stat -c %D "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep -x "wineserver(64)?"); do
    [[ $(readlink "/proc/$p/cwd") == */"$want" ]] && echo "$p" && return 0
  done
  return 0
}
# wine_cpu TITLE EXE [SETUP]: CPU s per minute of the Wine program after SETUP (a function; none:
# idle from the start), then of wineserver over the same time.
wine_cpu() {
  local server s0 s1 w
  "$root/cmake/wine-run.sh" "$WINEPREFIX" "$2" > /dev/null 2>&1 &
  app=$!
  xdotool search --sync --onlyvisible --name "^$1\$" > /dev/null
  sleep 1
  [[ -z ${3:-} ]] || "$3" "$1" wine
  server=$(our_server)
  s0=$([[ -n $server ]] && ticks "$server" || echo 0)
  w=$(cpu_per_minute "$app")
  s1=$([[ -n $server ]] && ticks "$server" || echo 0)
  echo "$w $(per_minute $((s1 - s0)))"
  bench_stop "$app"
  app=
  gone "$1"
}

read -r w ws < <(wine_cpu 岫然计时器 "$program" count_up)
echo "running count-up under Wine: $w CPU s per minute (wineserver: $ws more)"
read -r b bs < <(wine_cpu bare "$bare")
echo "idle bare window under Wine: $b CPU s per minute (wineserver: $bs more)"
read -r n ns < <(wine_cpu 岫然计时器 "$program")
echo "idle, never played a cue, under Wine: $n CPU s per minute (wineserver: $ns more)"
read -r c cs < <(wine_cpu 岫然计时器 "$program" cue_played)
# Next to nothing when all is well: a difference, not a ratio.
echo "idle after a countdown's cue under Wine: $c CPU s per minute (wineserver: $cs more);" \
  "more than never played: $(awk -v a="$c" -v b="$n" 'BEGIN { printf "%.2f", a - b }')"
if [[ -n $qt ]]; then
  # The Qt program plays through a sound server: a private one, into a null sink.
  if command -v pulseaudio > /dev/null; then
    pulseaudio -D -n --exit-idle-time=-1 --load=module-native-protocol-unix \
      --load="module-null-sink sink_name=null" 2> "$work/pulse.log" && pulse_started=1
    for _ in $(seq 50); do pactl info > /dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink null || true
  fi
  for what in count_up cue_played; do
    "$qt" > /dev/null 2>&1 &
    app=$!
    xdotool search --sync --onlyvisible --name "^岫然计时器\$" > /dev/null
    sleep 1
    "$what" 岫然计时器
    q=$(cpu_per_minute "$app")
    if [[ $what == count_up ]]; then
      echo "running count-up, Qt program: $q CPU s per minute; ratio Wine/Qt $(ratio "$w" "$q")"
    else
      echo "idle after a countdown's cue, Qt program: $q CPU s per minute"
    fi
    bench_stop "$app"
    app=
    gone 岫然计时器
  done
fi
