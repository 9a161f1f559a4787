#!/usr/bin/env bash
# The filter library must export exactly the three calls of the LSA's
# password-filter interface.
set -euo pipefail
library=$1
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwDdBbRrVvi]$/ {print $3}' | sed 's/@.*//' | sort)
expected=$(printf '%s\n' InitializeChangeNotify PasswordChangeNotify PasswordFilter)
if [ "$actual" != "$expected" ]; then
  echo "exports of $library:"; echo "$actual"
  echo "expected:"; echo "$expected"
  exit 1
fi
echo "exports: $(echo $actual)"
