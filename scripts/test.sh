#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

if [ "${BRELIX_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRELIX_SANITIZE=ON -DBRELIX_BENCH=OFF >/dev/null
  ninja -C build-sanitize -j "$jobs"
  # The standalone program's runs against a JACK server stay in the normal build: its process
  # callback runs on a thread of libjack, which the sanitizers do not see into.
  (cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs" \
    -E '^Brelix[A-Za-z]*\.')
fi

# The threads of a host against each other, under ThreadSanitizer.
if [ "${BRELIX_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELIX_TSAN=ON -DBRELIX_BENCH=OFF >/dev/null
  ninja -C build-tsan -j "$jobs" concurrency_stress_test synthesizer_mute_test callback_concurrency_test param_threads_test host_param_hand_over_test
  (cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R 'ConcurrencyStress|MuteBracket|ParamThreads|HostParamHandOver|HostParamMirror')
fi

# A short, bounded fuzzing run of every fuzz target (longer runs by hand: FUZZ_RUNS=... scripts/fuzz.sh).
if [ "${BRELIX_SKIP_FUZZ:-0}" != 1 ]; then
  bash scripts/fuzz.sh
fi
