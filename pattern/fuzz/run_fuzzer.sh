#!/usr/bin/env bash
# Builds the pattern engine's fuzz target with clang (libFuzzer, ASan, UBSan)
# in the given build folder and fuzzes it for the given seconds from the
# checked-in corpus. Fails on a crash or a sanitizer report; inputs that are
# merely slow (a backtracking engine has exponential patterns) are noted and
# skipped. Usage: run_fuzzer.sh <build folder> [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
build=$(cd "$1" && pwd)
seconds=${2:-60}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

# New inputs go to a working corpus in the build folder, never into the
# checked-in seeds.
work="$build/corpus"
artifacts="$build/artifacts"
rm -rf "$artifacts"
mkdir -p "$work" "$artifacts"
log="$build/fuzz.log"
status=0
(cd "$build" && ./pattern_fuzzer -fork=1 -ignore_timeouts=1 -ignore_ooms=0 -ignore_crashes=0 \
  -timeout=10 -rss_limit_mb=2048 -max_len=512 -max_total_time="$seconds" \
  -artifact_prefix="$artifacts/" "$work" "$here/corpus") >"$log" 2>&1 || status=$?
tail -n 3 "$log"
slow=$(find "$artifacts" -name 'timeout-*' | wc -l)
[ "$slow" -eq 0 ] || echo "pattern fuzzer: $slow slow input(s) skipped, kept in $artifacts"
# Fork mode ends with 70 when its last job ran into a (skipped) time-out.
crashed=0
grep -qE 'ERROR: (libFuzzer: deadly|AddressSanitizer|LeakSanitizer)|runtime error:|==ERROR' "$log" && crashed=1
[ -z "$(find "$artifacts" \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' \))" ] || crashed=1
if [ "$crashed" -ne 0 ] || { [ "$status" -ne 0 ] && [ "$status" -ne 70 ]; }; then
  echo "pattern fuzzer failed (exit $status); see $log and $artifacts" >&2
  grep -E -m 20 -A 12 'ERROR: |runtime error:' "$log" >&2 || true
  exit 1
fi
echo "pattern fuzzer: no crash in ${seconds} s"
