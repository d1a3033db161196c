#!/usr/bin/env bash
# Fuzzes every reader of untrusted bytes with libFuzzer (clang) for a bounded time each.
#
#   bench/fuzz/run.sh [--seconds N] [--target wav|catalogue] [--findings DIR]
#
# Targets are tests/fuzz/<name>_fuzz.cpp with the reader's own source; each starts from the
# committed corpus tests/fuzz/corpus/<name> (read only: new inputs go to a temporary corpus)
# and the dictionary tests/fuzz/<name>.dict. --seconds (default 300) bounds each target's run.
# Inputs that crash, leak, hang or break a target's check are copied to --findings (default
# $TMPDIR/xr-fuzz-findings); commit such an input under tests/fuzz/corpus/<name>/ with the
# fix, and the ordinary build replays it from then on. Prints executions, exec/s, coverage
# (edges and features) and corpus size per target; exits 1 when anything was found.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

seconds=300
targets=(wav catalogue)
findings=${TMPDIR:-/tmp}/xr-fuzz-findings
while (($#)); do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --target) targets=("$2"); shift 2 ;;
    --findings) findings=$2; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--target wav|catalogue] [--findings DIR]" >&2; exit 2 ;;
  esac
done

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_missing "${xr_bench_packages[@]}"

declare -A sources=(
  [wav]=cue/wav_pcm.cpp
  [catalogue]=companion_windows/catalogue.cpp
)

work=$(mktemp -d "${TMPDIR:-/tmp}/xr-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$findings"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)  cores: $(nproc)  seconds per target: $seconds"

status=0
summary=()
for t in "${targets[@]}"; do
  [[ -n ${sources[$t]:-} ]] || { echo "unknown target: $t" >&2; exit 2; }
  echo "== $t: building"
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. "tests/fuzz/${t}_fuzz.cpp" "${sources[$t]}" -o "$work/$t"
  mkdir -p "$work/corpus-$t"
  echo "== $t: fuzzing for $seconds s"
  rc=0
  "$work/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -dict="tests/fuzz/$t.dict" -artifact_prefix="$findings/$t-" \
    "$work/corpus-$t" "tests/fuzz/corpus/$t" > "$work/$t.log" 2>&1 || rc=$?
  # The last status line ("#N DONE cov: E ft: F corp: U/S ...") and the final statistics.
  # A run stopped by a finding in the seeds has neither.
  last=$(grep -E '^#[0-9]+' "$work/$t.log" | tail -n 1 || true)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$t.log")
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$last")
  corp=$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<< "$last")
  found=$(find "$findings" -maxdepth 1 -name "$t-*" -newer "$work/$t" | wc -l)
  if ((rc != 0 || found != 0)); then
    status=1
    echo "-- $t: libFuzzer exited $rc; its log:"
    grep -v '^#[0-9]' "$work/$t.log" | tail -n 60
  fi
  summary+=("$(printf '%-10s %12s %10s %8s %8s %12s %8s' "$t" "${execs:-?}" "${rate:-?}" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}" "$found")")
done

echo
printf '%-10s %12s %10s %8s %8s %12s %8s\n' target executions exec/s edges features \
  corpus findings
printf '%s\n' "${summary[@]}"
((status == 0)) || echo "findings in $findings"
exit "$status"
