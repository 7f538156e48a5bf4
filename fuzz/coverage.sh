#!/usr/bin/env bash
# Line coverage of the reply framer and the profile document reached by the kept inputs: their fuzz
# targets are compiled with clang's source coverage (no sanitizers, nothing else of the project), run
# once over the committed corpus, the past findings and the corpus a fuzz run grew in FUZZ_BUILD, and
# reported per source file. Usage: coverage.sh FUZZ_BUILD COVERAGE_DIR
set -euo pipefail
fuzz_build=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
mkdir -p "$out"
declare -A sources=(
  [reply_framer]="link/reply_framer.cpp link/reply_hunt.cpp"
  [profile_document]="platform/profile_document.cpp"
)
# Linked in, not reported.
declare -A helpers=([reply_framer]="" [profile_document]="platform/profile_disk.cpp")
for t in reply_framer profile_document; do
  files=()
  for f in ${sources[$t]}; do files+=("$root/$f"); done
  linked=()
  for f in ${helpers[$t]}; do linked+=("$root/$f"); done
  clang++-14 -std=c++17 -O1 -g -fprofile-instr-generate -fcoverage-mapping -fsanitize=fuzzer -DDALMIRO_LIBFUZZER \
    -I"$root" "$here/${t}_fuzz.cpp" "$here/fuzz_support.cpp" "${files[@]}" "${linked[@]}" -o "$out/fuzz_$t"
  dirs=()
  for d in "$here/corpus/$t" "$here/findings/$t" "$fuzz_build/fuzz-corpus/$t"; do [ -d "$d" ] && dirs+=("$d"); done
  rm -f "$out/$t".*.profraw
  LLVM_PROFILE_FILE="$out/$t.%p.profraw" "$out/fuzz_$t" -runs=0 "${dirs[@]}" >"$out/$t.log" 2>&1
  llvm-profdata-14 merge -sparse "$out/$t".*.profraw -o "$out/$t.profdata"
  echo "== $t: $(find "${dirs[@]}" -type f | wc -l) inputs from ${dirs[*]}"
  llvm-cov-14 report "$out/fuzz_$t" -instr-profile="$out/$t.profdata" "${files[@]}"
done
