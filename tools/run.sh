#!/usr/bin/env bash
# The main job: the reset service Pellucor on the console (-debug, every log
# and trace line shown) with the sample data: the registry file, the question
# file with its demo users, the token file (port 7257) and the password rules.
# Ctrl+C stops it.
#   bash tools/run.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/install-packages.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target Pellucor >/dev/null

# The program with its token file beside it (its monthly log lands there
# too), the question file, and the system folder with the rules.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data" "$work/system"
cp build/RemoteSvr/Pellucor sample/Pellucor.cfg "$work/"
cp sample/Pellucor.txt "$work/data/"
cp sample/MorrowenRules.txt sample/MorrowenDictionary.txt "$work/system/"
sed "s|^\"DatabasePath\"=.*|\"DatabasePath\"=\"$work/data\"|" sample/registry.reg >"$work/registry.reg"
export VARNOK_REGISTRY=$work/registry.reg VARNOK_SYSTEM_DIR=$work/system

echo "Pellucor on port 7257, demo users VARNOK\\jsmith and VARNOK\\amuller (sample/Pellucor.txt); Ctrl+C stops it"
status=0
(cd "$work" && ./Pellucor -debug) || status=$?
[ "$status" -eq 0 ] || echo "Pellucor ended with status $status (1: it did not start, e.g. port 7257 in use)" >&2
exit "$status"
