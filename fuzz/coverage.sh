#!/usr/bin/env bash
# Line coverage that the kept inputs reach: builds the fuzz targets with clang's source coverage (no
# sanitizers), runs each once over its committed corpus, its findings and the corpus a fuzz run grew
# in FUZZ_BUILD, and reports per source file. Usage: coverage.sh FUZZ_BUILD COVERAGE_BUILD [TARGET...]
set -euo pipefail
fuzz_build=$1
cov_build=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reply_framer profile_document)
cmake -S "$root" -B "$cov_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_CXX_COMPILER=clang++-14 -DDALMIRO_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" -DCMAKE_SHARED_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
cmake --build "$cov_build" -j 2 --target "${targets[@]/#/fuzz_}" >/dev/null
for t in "${targets[@]}"; do
  dirs=()
  for d in "$here/corpus/$t" "$here/findings/$t" "$fuzz_build/fuzz-corpus/$t"; do [ -d "$d" ] && dirs+=("$d"); done
  rm -f "$cov_build/$t".*.profraw
  LLVM_PROFILE_FILE="$cov_build/$t.%p.profraw" "$cov_build/fuzz/fuzz_$t" -runs=0 "${dirs[@]}" >/dev/null 2>&1
  llvm-profdata-14 merge -sparse "$cov_build/$t".*.profraw -o "$cov_build/$t.profdata"
  bin="$cov_build/fuzz/fuzz_$t"
  objects=()
  for lib in "$cov_build"/bin/*.so; do objects+=(-object "$lib"); done
  echo "== $t: inputs from ${dirs[*]}"
  llvm-cov-14 report "$bin" "${objects[@]}" -instr-profile="$cov_build/$t.profdata" \
    "$root/link/reply_framer.cpp" "$root/link/reply_hunt.cpp" "$root/platform/profile_document.cpp"
done
