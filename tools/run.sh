#!/usr/bin/env bash
# The main job, for now: the password filter judging passwords by the sample
# rules, as the Local Security Authority (or a Samba DC) would call it.
#   bash tools/run.sh [password ...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/install-packages.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target Morrowen lsa_filter_host >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp sample/MorrowenRules.txt sample/MorrowenDictionary.txt "$work/"
export VARNOK_SYSTEM_DIR=$work SAMBA_CPS_ACCOUNT_NAME=jsmith SAMBA_CPS_FULL_NAME="John Smith"

if [ "$#" -eq 0 ]; then
  set -- "Tr0ub4dor&3" "short1!" "alllowercase1!" "N0Special" "Jsmith#2026" "Winter2026!x" "C0rrect horse"
fi
echo "account jsmith (John Smith), rules: sample/MorrowenRules.txt"
for password in "$@"; do
  rm -f "$work/MorrowenRules.log"
  status=0
  printf '%s' "$password" | (cd "$work" && "$top/build/platform/lsa_filter_host" "$top/build/filter/libMorrowen.so") ||
    status=$?
  case $status in
    0) verdict="accepted" ;;
    1) verdict="rejected" ;;
    *) verdict="could not run" ;;
  esac
  printf '%-16s %s\n' "$password" "$verdict"
  # The rule that refused it, as the rule log tells it.
  grep -E 'Status = FALSE|Value\[|Excluded by dictionary' "$work/MorrowenRules.log" |
    grep -B1 -E 'Status = FALSE|Excluded by dictionary' | sed 's/^\[[^]]*\] /    /' || true
done
