#!/usr/bin/env bash
# The filter and the LSA host that runs it on every password set need no
# cryptography, so neither may load libcrypto or libssl, not even through a
# library it needs.
set -euo pipefail
status=0
for file in "$@"; do
  if ldd "$file" | grep -E 'lib(crypto|ssl)\.so'; then
    echo "$file loads the libraries above"
    status=1
  fi
done
exit $status
