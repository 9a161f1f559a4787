#!/usr/bin/env bash
# Builds the parsers' fuzz targets with clang (libFuzzer, ASan, UBSan; the
# whole tree with VARNOK_FUZZ, so the code they call is instrumented too) in
# the given build folder, and fuzzes each for the given seconds from its
# checked-in seeds (<subsystem>/fuzz/corpus/<target>/). Fails on a crash, a
# sanitizer report, a leak, or an input that runs past 10 s or 2 GB: these
# parsers read what others write, and none of that may stall them.
# Usage: run_fuzzers.sh <build folder> [seconds per target]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
build=$(cd "$1" && pwd)
seconds=${2:-25}

# Target, its folder, and the longest input worth trying.
targets=(
  "record_receiver_fuzzer RemoteSvr/fuzz 16384"
  "question_file_fuzzer RemoteSvr/fuzz 4096"
  "token_file_fuzzer RemoteSvr/fuzz 4096"
  "rules_file_fuzzer rules/fuzz 4096"
  "dictionary_fuzzer rules/fuzz 4096"
  "registry_file_fuzzer platform/registry/fuzz 4096"
  "typed_session_fuzzer credprov/fuzz 4096"
)

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOK_FUZZ=ON -DVARNOK_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target fuzzers

failed=()
for entry in "${targets[@]}"; do
  read -r name folder maxLength <<<"$entry"
  # New inputs go to a working corpus in the build folder, never into the
  # checked-in seeds.
  work="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  log="$build/$name.log"
  rm -rf "$artifacts"
  mkdir -p "$work" "$artifacts"
  status=0
  (cd "$build" && "./$folder/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$maxLength" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work" "$top/$folder/corpus/$name") >"$log" 2>&1 || status=$?
  runs=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$artifacts")" ]; then
    echo "$name failed (exit $status); see $log and $artifacts" >&2
    grep -E -m 20 -A 12 'ERROR: |runtime error:|==ERROR' "$log" >&2 || true
    failed+=("$name")
  else
    echo "$name: no fault in $runs runs (${seconds} s)"
  fi
done
if [ "${#failed[@]}" -ne 0 ]; then
  echo "fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
