#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, one after another on one core (one process, no jobs), and prints
# per target what it did. Usage: run_fuzzers.sh BUILD_DIR SECONDS [TARGET[=SECONDS]...]
# A target named with =SECONDS runs that long instead of SECONDS: a long run gives the fast targets the
# time the slow ones cannot use.
# The corpus grows in BUILD_DIR/fuzz-corpus/<name> (seeded from fuzz/corpus/<name>); an input that
# breaks a target lands in BUILD_DIR/fuzz-findings/<name>: fix the fault and move the input into
# fuzz/findings/<name>, where `make test` replays it from then on.
set -uo pipefail
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for bin in "$build"/fuzz/fuzz_*; do [ -f "$bin" ] && [ -x "$bin" ] && targets+=("$(basename "$bin" | sed 's/^fuzz_//')"); done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build/fuzz" >&2; exit 1; }

rows=()
total_runs=0
total_findings=0
for spec in "${targets[@]}"; do
  t=${spec%%=*}
  time_for=$seconds
  [ "$spec" = "$t" ] || time_for=${spec#*=}
  [ -x "$build/fuzz/fuzz_$t" ] || { echo "no fuzz target $t in $build/fuzz" >&2; exit 1; }
  [[ "$time_for" =~ ^[0-9]+$ ]] || { echo "$spec: seconds must be a whole number" >&2; exit 1; }
  corpus="$build/fuzz-corpus/$t"
  findings="$build/fuzz-findings/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  dict=()
  [ -f "$here/$t.dict" ] && dict=(-dict="$here/$t.dict")
  kept=()
  for d in "$here/corpus/$t" "$here/findings/$t"; do [ -d "$d" ] && kept+=("$d"); done
  stamp="$build/fuzz-logs/$t.start"
  touch "$stamp"
  echo "== $t: $time_for s"
  # Past findings go first, so a fault that came back stops the target at once.
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/fuzz_$t" "$corpus" "${kept[@]}" "${dict[@]}" \
    -max_total_time="$time_for" -rss_limit_mb=2048 -timeout=10 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | sed 's/cov: //')
  files=$(find "$corpus" -type f | wc -l)
  found=$(find "$findings" -type f -newer "$stamp" | wc -l)
  rows+=("$(printf '%-18s %12s %9s %7s %7s %9s' "$t" "${runs:-?}" "${rate:-?}" "${edges:-?}" "$files" "$found")")
  total_runs=$((total_runs + ${runs:-0}))
  total_findings=$((total_findings + found))
  [ "$found" -eq 0 ] || echo "   finding(s) in $findings; the log: $log"
done

printf '%-18s %12s %9s %7s %7s %9s\n' target runs runs/s edges corpus findings
printf '%s\n' "${rows[@]}"
printf '%-18s %12s %9s %7s %7s %9s\n' total "$total_runs" "" "" "" "$total_findings"
[ "$total_findings" -eq 0 ]
