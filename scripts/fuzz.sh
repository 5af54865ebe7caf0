#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for a fixed number of
# executions, starting from its seed corpus in fuzz/corpus/<target>. Every input that ever
# crashed a target is kept in fuzz/regressions/<target> and replayed first.
#   scripts/fuzz.sh            the short run CI does (FUZZ_RUNS executions per target, default 20000)
#   FUZZ_RUNS=2000000 scripts/fuzz.sh   a longer run by hand
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-20000}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRELIX_FUZZ=ON -DBRELIX_TESTS=OFF -DBRELIX_BENCH=OFF >/dev/null
ninja -C build-fuzz -j "$(nproc)" $(cd fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')

mkdir -p build-fuzz/artifacts
for source in fuzz/*_fuzz.cpp; do
  target=$(basename "$source" .cpp)
  name=${target%_fuzz}
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  cp -n fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
  if [ -d fuzz/regressions/"$name" ] && [ -n "$(ls -A fuzz/regressions/"$name")" ]; then
    echo "== $target: replaying $(ls fuzz/regressions/"$name" | wc -l) regression inputs"
    build-fuzz/fuzz/"$target" fuzz/regressions/"$name"/* >/dev/null 2>&1 || { echo "$target: a regression input fails again"; exit 1; }
  fi
  echo "== $target: $runs executions"
  build-fuzz/fuzz/"$target" -runs="$runs" -max_len=16384 -rss_limit_mb=2048 -artifact_prefix=build-fuzz/artifacts/"$name"- \
    -print_final_stats=1 "$work" 2>&1 | grep -E 'stat::number_of_executed_units|Done|ERROR|SUMMARY' || true
  if ls build-fuzz/artifacts/"$name"-* >/dev/null 2>&1; then
    echo "$target found a failing input: build-fuzz/artifacts/"; exit 1
  fi
done
