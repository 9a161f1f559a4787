#!/usr/bin/env bash
# The credential provider's library must export exactly the two calls of
# COM.
set -euo pipefail
library=$1
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwDdBbRrVvi]$/ {print $3}' | sed 's/@.*//' | sort)
expected=$(printf '%s\n' DllCanUnloadNow DllGetClassObject)
if [ "$actual" != "$expected" ]; then
  echo "exports of $library:"; echo "$actual"
  echo "expected:"; echo "$expected"
  exit 1
fi
echo "exports: $(echo $actual)"
