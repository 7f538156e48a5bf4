#!/usr/bin/env bash
# Keeps what a fuzz run found: for each target, the inputs of the corpus it grew in BUILD_DIR that
# reach code the committed seeds do not, chosen by libFuzzer's merge (few inputs that reach it all),
# are copied into fuzz/corpus/<name> beside the seeds, which stay as they are. Only whether code is
# reached counts, not how often: the kept corpus stays a few dozen small files per target.
# Prints per target how many inputs and kilobytes the committed corpus then holds.
# Usage: keep_corpus.sh BUILD_DIR [TARGET...]
set -euo pipefail
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for d in "$build"/fuzz-corpus/*; do [ -d "$d" ] && targets+=("$(basename "$d")"); done
fi

printf '%-18s %7s %7s %7s\n' target added files KB
for t in "${targets[@]}"; do
  seeds="$here/corpus/$t"
  merged="$build/fuzz-merged/$t"
  rm -rf "$merged"
  mkdir -p "$merged" "$seeds"
  # The seeds go in first, so an input is taken only for what they leave uncovered.
  cp "$seeds"/. "$merged"/ -r
  before=$(find "$merged" -type f | wc -l)
  ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 \
    "$build/fuzz/fuzz_$t" -merge=1 -use_counters=0 -rss_limit_mb=2048 -timeout=10 -max_len=4096 "$merged" "$build/fuzz-corpus/$t" \
    >"$build/fuzz-logs/$t.merge.log" 2>&1
  for f in "$merged"/*; do [ -e "$seeds/$(basename "$f")" ] || cp "$f" "$seeds/"; done
  printf '%-18s %7s %7s %7s\n' "$t" "$(($(find "$merged" -type f | wc -l) - before))" \
    "$(find "$seeds" -type f | wc -l)" "$(du -sk --apparent-size "$seeds" | cut -f1)"
done
