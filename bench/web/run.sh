#!/usr/bin/env bash
# The timer page against a bare page that draws four digits in the same faces (baseline.html), in
# headless chromium: bytes of a first and a second visit, time to the first frame with the
# digits, CPU of a running count-up, and the face's lag after a while in a hidden tab. The
# program's first screen copied into a page without the program is visited too.
#
#   bench/web/run.sh [--runs N] [--cpu-seconds S] [--hidden-minutes M] [--build DIR]
#
# Defaults: 7 runs (subjects interleaved, a fresh browser profile each), 60 s of count-up for
# the CPU, 10 min hidden (0 leaves it out), build-web/ of this checkout (scripts/build-web.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runs=7 cpu=60 hidden=10 tree=$here/../../build-web
while (($#)); do
  case $1 in
    --runs) runs=$2 ;;
    --cpu-seconds) cpu=$2 ;;
    --hidden-minutes) hidden=$2 ;;
    --build) tree=$2 ;;
    *)
      echo "usage: $0 [--runs N] [--cpu-seconds S] [--hidden-minutes M] [--build DIR]" >&2
      exit 2
      ;;
  esac
  shift 2
done
[[ -f $tree/index.html ]] || {
  echo "no $tree/index.html: run scripts/build-web.sh first" >&2
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/xr-web-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
echo "$(date -u '+%F %T UTC'), load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
env -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS \
  HOME="$work" XDG_RUNTIME_DIR="$work" TMPDIR="$work" \
  /usr/bin/python3 "$here/bench.py" "$tree" "$here/baseline.html" "$runs" "$cpu" "$hidden"
echo "$(date -u '+%F %T UTC'), load: $(cut -d' ' -f1-3 /proc/loadavg)"
