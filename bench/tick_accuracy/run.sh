#!/bin/bash
# Tick accuracy benchmark: a real countdown of the program's model on the Qt platform, under a
# private Xvfb (the xcb platform, as a user runs it; not offscreen). Prints the error of the
# whole countdown against its nominal length and the spread of the one-second ticks.
#
#   bench/tick_accuracy/run.sh [--seconds N] [--load] [--csv FILE] [--build DIR]
#
# --seconds N  length of the countdown (default 300; use e.g. 30 while developing)
# --load       keep both cores busy with two shell busy loops for the whole run
set -euo pipefail

build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-bench
seconds=300
load=0
csv=
while [[ $# -gt 0 ]]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --load) load=1; shift ;;
    --csv) csv=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--load] [--csv FILE] [--build DIR]" >&2; exit 2 ;;
  esac
done
bench=$build/bench/tick_accuracy/xr-bench-tick
[[ -x $bench ]] || { echo "not built: $bench" >&2; exit 1; }

work=$(mktemp -d)
busy_pids=()
# shellcheck source=bench/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cleanup() {
  bench_stop "${busy_pids[@]}"
  bench_stop "$XVFB_PID"
  rm -rf "$work"
}
trap cleanup EXIT

bench_private_session "$work"

xvfb_start "$work" || exit 1

if [[ $load == 1 ]]; then
  for _ in 1 2; do
    sh -c 'while :; do :; done' &
    busy_pids+=($!)
  done
fi

echo "# tick bench, $(date -Iseconds), $(nproc) cores, Xvfb 1920x1080x24, $seconds s countdown," \
  "$([[ $load == 1 ]] && echo "2 busy loops" || echo "no added load")"
args=(--seconds "$seconds")
[[ -n $csv ]] && args+=(--csv "$csv")
"$bench" "${args[@]}"
