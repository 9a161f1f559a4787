#!/usr/bin/env bash
# The logon dialog extension's library must export exactly the 21 GINA
# entry points.
set -euo pipefail
library=$1
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwDdBbRrVvi]$/ {print $3}' | sed 's/@.*//' | sort)
expected=$(printf '%s\n' WlxActivateUserShell WlxDisconnectNotify WlxDisplayLockedNotice WlxDisplaySASNotice \
  WlxDisplayStatusMessage WlxGetConsoleSwitchCredentials WlxGetStatusMessage WlxInitialize WlxIsLockOk \
  WlxIsLogoffOk WlxLoggedOnSAS WlxLoggedOutSAS WlxLogoff WlxNegotiate WlxNetworkProviderLoad WlxReconnectNotify \
  WlxRemoveStatusMessage WlxScreenSaverNotify WlxShutdown WlxStartApplication WlxWkstaLockedSAS | sort)
if [ "$actual" != "$expected" ]; then
  echo "exports of $library:"; echo "$actual"
  echo "expected:"; echo "$expected"
  exit 1
fi
echo "exports: $(echo $actual | wc -w)"
