#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each, starting from its
# seed corpus in fuzz/corpus/<seeds> and with the dictionary of the format it reads. Every input
# that ever crashed a target is kept in fuzz/regressions/<target> and replayed first. The run
# ends with a report: per target the executions, executions per second and the coverage reached
# (libFuzzer's "cov" edges and "ft" features); each target's whole output is in
# build-fuzz/logs/<target>.log.
#   scripts/fuzz.sh                       the short run CI does (FUZZ_RUNS executions per target,
#                                         default 20000; the slow write_back target a tenth of it)
#   FUZZ_RUNS=2000000 scripts/fuzz.sh     a longer run by hand
#   FUZZ_SECONDS=3600 scripts/fuzz.sh     each target for an hour instead of a number of runs
#   FUZZ_TARGETS="write_back patch_parse" scripts/fuzz.sh   only these targets
# The corpus a run grows stays in build-fuzz/corpus/<target>, so the next run goes on from it.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-20000}
seconds=${FUZZ_SECONDS:-}
targets=${FUZZ_TARGETS:-$(cd fuzz && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//')}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRELIX_FUZZ=ON -DBRELIX_TESTS=OFF -DBRELIX_BENCH=OFF >/dev/null
ninja -C build-fuzz -j "$(nproc)" $(for name in $targets; do echo "${name}_fuzz"; done)

# The seeds and the dictionary of each target: a parse-only target shares them with the target
# that also plays what it reads.
seeds_of() { case $1 in patch_parse) echo patch_file ;; chunk_parse) echo chunk ;; wav_parse) echo wav ;; *) echo "$1" ;; esac; }
dictionary_of() {
  case $1 in
    settings) echo fuzz/dictionaries/settings.dict ;;
    patch_file | patch_parse | chunk | chunk_parse | ini | write_back) echo fuzz/dictionaries/patch.dict ;;
  esac
}
# Each execution of write_back loads and saves a whole patch in a sandbox of files.
runs_of() { case $1 in write_back) echo $((runs / 10)) ;; *) echo "$runs" ;; esac; }

mkdir -p build-fuzz/artifacts build-fuzz/logs
report=()
for name in $targets; do
  target=${name}_fuzz
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  cp -n fuzz/corpus/"$(seeds_of "$name")"/* "$work"/ 2>/dev/null || true
  if [ -d fuzz/regressions/"$name" ] && [ -n "$(ls -A fuzz/regressions/"$name")" ]; then
    echo "== $target: replaying $(ls fuzz/regressions/"$name" | wc -l) regression inputs"
    build-fuzz/fuzz/"$target" fuzz/regressions/"$name"/* >/dev/null 2>&1 || { echo "$target: a regression input fails again"; exit 1; }
  fi
  limit=(-runs="$(runs_of "$name")")
  [ -n "$seconds" ] && limit=(-max_total_time="$seconds")
  dictionary=$(dictionary_of "$name")
  echo "== $target: ${limit[*]}${dictionary:+ with $dictionary}"
  log=build-fuzz/logs/$name.log
  build-fuzz/fuzz/"$target" "${limit[@]}" ${dictionary:+-dict="$dictionary"} -max_len=16384 -rss_limit_mb=2048 \
    -artifact_prefix=build-fuzz/artifacts/"$name"- -print_final_stats=1 "$work" >"$log" 2>&1 || true
  grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|Done|ERROR|SUMMARY' "$log" || true
  if ls build-fuzz/artifacts/"$name"-* >/dev/null 2>&1; then
    echo "$target found a failing input: build-fuzz/artifacts/ (log: $log)"; exit 1
  fi
  # The last status line libFuzzer printed holds the coverage (edges) and features reached.
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  report+=("$(printf '%-14s %12s %12s   %s' "$name" "${executions:-?}" "${speed:-?}" "${coverage:-?}")")
done

echo "== report"
printf '%-14s %12s %12s   %s\n' target executions 'exec/s' coverage
printf '%s\n' "${report[@]}"
