#!/usr/bin/env bash
# Builds everything and runs every test: a plain build first, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/install-packages.sh

jobs=$(nproc)
# As root the tests run in namespaces of their own (tools/isolated.sh): the
# test DC and the service's fixed port meet nothing else on the machine, and
# Samba's client state there is the run's own.
isolate=()
[ "$(id -u)" -ne 0 ] || isolate=(bash tools/isolated.sh)
run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  "${isolate[@]}" ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

echo "== plain build"
run_suite build
echo "== sanitizers (address, undefined)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-sanitize -DVARNOK_SANITIZE=ON -DVARNOK_BENCHMARKS=OFF
echo "== fuzzing the pattern engine (libFuzzer with ASan and UBSan, 60 s)"
bash pattern/fuzz/run_fuzzer.sh build-pattern-fuzz 60
echo "== fuzzing the typed-message session's reader (libFuzzer with ASan and UBSan, 25 s)"
bash credprov/fuzz/run_fuzzer.sh build-credprov-fuzz 25
