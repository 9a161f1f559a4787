#!/usr/bin/env bash
# Builds the typed-message session's fuzz target with clang (libFuzzer, ASan,
# UBSan) in the given build folder and fuzzes it for the given seconds from
# the checked-in corpus. Fails on a crash or a sanitizer report.
# Usage: run_fuzzer.sh <build folder> [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
build=$(cd "$1" && pwd)
seconds=${2:-25}

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
(cd "$build" && ./typed_session_fuzzer -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -max_total_time="$seconds" -artifact_prefix="$artifacts/" "$work" "$here/corpus") >"$log" 2>&1 || status=$?
tail -n 3 "$log"
if [ "$status" -ne 0 ] || grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error:' "$log" ||
   [ -n "$(find "$artifacts" -type f)" ]; then
  echo "typed session fuzzer failed (exit $status); see $log and $artifacts" >&2
  grep -E -m 20 -A 12 'ERROR: |runtime error:' "$log" >&2 || true
  exit 1
fi
echo "typed session fuzzer: no crash in ${seconds} s"
