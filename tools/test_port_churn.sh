#!/usr/bin/env bash
# Runs the plain suite in a private network (isolated.sh) with port_churn
# beside it: a stranger that keeps taking and giving up ephemeral loopback
# ports, as other tests' servers do, so a test that picks a port and lets it
# go, or takes any listener for its own, fails here. Must run as root, on a
# build that is there (its port_churn too).
#
#   test_port_churn.sh [BUILD_DIR [CTEST_ARGUMENTS...]]   (build; -j twice the cores)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
build=${1:-build}
[ "$#" -eq 0 ] || shift
churn=$build/tests/support/port_churn
[ -x "$churn" ] || { echo "$0: no $churn: build $build first" >&2; exit 2; }
jobs=$(($(nproc) * 2))
exec bash tools/isolated.sh bash -c '
	churn=$1 build=$2 jobs=$3
	shift 3
	"$churn" 3600 300 100 &
	churner=$!
	status=0
	ctest --test-dir "$build" -j "$jobs" --timeout 600 --output-on-failure "$@" || status=$?
	kill "$churner"
	wait "$churner" 2>/dev/null || true
	exit "$status"
' churn "$churn" "$build" "$jobs" "$@"
