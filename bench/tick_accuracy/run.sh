#!/bin/bash
# Tick accuracy benchmark: a real countdown of the program's model on the Qt platform, under a
# private Xvfb (the xcb platform, as a user runs it; not offscreen). Prints the error of the
# whole countdown against its nominal length and the spread of the one-second ticks, against the
# same figures of a bare precise Qt timer (xr-bench-tick-floor) measured the same way in the
# same run: each round runs both, one after the other, the order turned each round.
#
#   bench/tick_accuracy/run.sh [--seconds N] [--rounds R] [--load] [--csv FILE] [--build DIR]
#
# --seconds N  length of the countdown (default 300; use e.g. 30 while developing)
# --rounds R   rounds of the two (default 7); the medians over them, and their ratios, at the end
# --load       keep both cores busy with two shell busy loops for the whole run
# --csv FILE   every tick of the program's last round
set -euo pipefail

build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-bench
seconds=300
rounds=7
load=0
csv=
while [[ $# -gt 0 ]]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --load) load=1; shift ;;
    --csv) csv=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--rounds R] [--load] [--csv FILE] [--build DIR]" >&2
       exit 2 ;;
  esac
done
bench=$build/bench/tick_accuracy/xr-bench-tick
floor=$build/bench/tick_accuracy/xr-bench-tick-floor
for f in "$bench" "$floor"; do
  [[ -x $f ]] || { echo "not built: $f" >&2; exit 1; }
done

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
  "$rounds round(s), $([[ $load == 1 ]] && echo "2 busy loops" || echo "no added load")"
args=(--seconds "$seconds")
[[ -n $csv ]] && args+=(--csv "$csv")
rc=0
subjects=(xiuran floor)
: > "$work/summaries"
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < 2; k++)); do
    s=${subjects[(k + r) % 2]}
    echo
    echo "## round $((r + 1)): $s"
    if [[ $s == xiuran ]]; then
      "$bench" "${args[@]}" > "$work/out" || rc=$?
    else
      "$floor" --seconds "$seconds" > "$work/out" || rc=$?
    fi
    grep -v '^summary ' "$work/out" || true
    awk -v s="$s" '/^summary / { print s, $3, $5, $7, $9 }' "$work/out" >> "$work/summaries"
  done
done

echo
echo "# medians over rounds (ms): total error, interval p99 |.|, lateness median, lateness p99 |.|"
awk '
  function median(s,   a, n, i, j, t) {
    n = split(s, a, " ")
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] + 0 < a[i] + 0) { t = a[i]; a[i] = a[j]; a[j] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function ratio(a, b) { return b != 0 ? sprintf("%.2f", a / b) : "n/a" }
  { for (f = 2; f <= 5; f++) v[$1, f] = v[$1, f] " " $f; n[$1]++ }
  END {
    for (s in n) for (f = 2; f <= 5; f++) m[s, f] = median(v[s, f])
    printf "%-8s %6s %12s %12s %12s %12s\n", "subject", "runs", "total err", "interval p99", "late median", "late p99"
    split("xiuran floor", names, " ")
    for (i = 1; i <= 2; i++) if (names[i] in n)
      printf "%-8s %6d %+12.3f %12.3f %12.3f %12.3f\n", names[i], n[names[i]], m[names[i], 2], m[names[i], 3], m[names[i], 4], m[names[i], 5]
    if (("xiuran" in n) && ("floor" in n))
      printf "%-8s %6s %12s %12s %12s %12s   <- xiuran / floor (|total error|)\n", "ratio", "",
        ratio(m["xiuran", 2] < 0 ? -m["xiuran", 2] : m["xiuran", 2], m["floor", 2] < 0 ? -m["floor", 2] : m["floor", 2]),
        ratio(m["xiuran", 3], m["floor", 3]), ratio(m["xiuran", 4], m["floor", 4]), ratio(m["xiuran", 5], m["floor", 5])
  }' "$work/summaries"
exit $rc
