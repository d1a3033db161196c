#!/bin/bash
# The Windows program under Wine: its size, launch → window visible against a bare Win32
# window built the same way (interleaved, same run), and CPU per minute of a running count-up,
# against the Qt program when one is given. Prints every run, medians and ratios. Not a test.
#
#   bench/windows/run.sh [--runs N] [--cpu-seconds S] [--build DIR] [--qt PROGRAM]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-windows
runs=7
cpu_s=30
qt=
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --cpu-seconds) cpu_s=$2; shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;  # Wine takes only an absolute prefix
    --qt) qt=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--cpu-seconds S] [--build DIR] [--qt PROGRAM]" >&2; exit 2 ;;
  esac
done
program=$build/platform/win32/xiuran-timer.exe
bare=$build/bench/windows/xr-bench-bare-window.exe
for f in "$program" "$bare" "$build/tests/win32/wine_client.exe"; do
  [[ -f $f ]] || { echo "not built: $f (scripts/build-windows.sh --no-test)" >&2; exit 1; }
done
# shellcheck source=bench/lib.sh
source "$root/bench/lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/xr-bench-win.XXXXXX")
xvfb_pid=
app=
cleanup() {
  bench_stop "$app"
  WINEPREFIX=$build/wine-prefix wineserver -k 2> /dev/null || true
  bench_stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT
bench_private_session "$work"
bench_start_xvfb "$work"
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
launch_ms 岫然计时器 "$program" > /dev/null
: > "$work/bare" && : > "$work/xr"
for i in $(seq 1 "$runs"); do
  b=$(launch_ms bare "$bare")
  x=$(launch_ms 岫然计时器 "$program")
  echo "run $i: bare $b ms, xiuran $x ms"
  echo "$b" >> "$work/bare"
  echo "$x" >> "$work/xr"
done
mb=$(median < "$work/bare")
mx=$(median < "$work/xr")
echo "launch → visible, median of $runs: bare $mb ms, xiuran $mx ms, ratio $(awk -v a="$mx" -v b="$mb" 'BEGIN { printf "%.2f", a / b }')"

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
# count_up TITLE [wine]: selects 正计时 and presses 开 始 in the window, at their design places;
# for a Wine window, inside the frame that Wine draws in the X window.
count_up() {
  local id left=0 top=0
  id=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  [[ ${2:-} != wine ]] ||
    read -r left top _ < <(run "$build/tests/win32/wine_client.exe" inset "$id" | tr -d '\r')
  X=$((X + left)) Y=$((Y + top))
  xdotool mousemove $((X + 205)) $((Y + 23)) click 1
  sleep 0.3
  xdotool mousemove $((X + 104)) $((Y + 320)) click 1
  sleep 1
}
"$root/cmake/wine-run.sh" "$WINEPREFIX" "$program" > /dev/null 2>&1 &
app=$!
count_up 岫然计时器 wine
server=$(pgrep -n -x "wineserver(64)?" || true)
s0=$( [[ -n $server ]] && ticks "$server" || echo 0)
w=$(cpu_per_minute "$app")
s1=$( [[ -n $server ]] && ticks "$server" || echo 0)
echo "running count-up under Wine: $w CPU s per minute (wineserver: $(awk -v t=$((s1 - s0)) -v hz="$(getconf CLK_TCK)" -v s="$cpu_s" 'BEGIN { printf "%.2f", t / hz * 60 / s }') more)"
bench_stop "$app"
app=
gone 岫然计时器
if [[ -n $qt ]]; then
  "$qt" > /dev/null 2>&1 &
  app=$!
  count_up 岫然计时器
  q=$(cpu_per_minute "$app")
  echo "running count-up, Qt program: $q CPU s per minute; ratio Wine/Qt $(awk -v a="$w" -v b="$q" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
fi
