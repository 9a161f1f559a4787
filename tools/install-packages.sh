#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks
# need, when run as root and one of them is missing. Sourced or run alone.
set -euo pipefail

VARNOK_PACKAGES=(
  # build and unit tests
  cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev
  # OpenSSL (Blowfish, TLS)
  libssl-dev
  # benchmarks
  libbenchmark-dev libpwquality-dev libpcre2-dev
  # cracklib's dictionary, which pwquality_check reads on every call: without
  # it the filter benchmark's baseline fails at once instead of checking
  # (the runtime builds it from the word list when installed)
  cracklib-runtime wamerican
  # tests that run python3 helpers
  python3
  # fuzzing
  clang libclang-rt-14-dev
  # the test domain controller (tests/samba-dc) and the clients that talk to
  # it; samba-ad-provision is only a recommendation of samba, but provisioning
  # needs it
  samba samba-ad-dc samba-ad-provision samba-dev libldap-dev libsasl2-dev ldap-utils krb5-user smbclient winbind
  python3-samba libsasl2-modules-gssapi-mit bc iproute2 util-linux
)

missing=()
for package in "${VARNOK_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages (run as root to install them): ${missing[*]}" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Installing Samba must not start the machine's own smbd, nmbd and winbindd:
  # they would take the ports and the winbindd socket of the test DC.
  no_services=""
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
    chmod 0755 /usr/sbin/policy-rc.d
    no_services=1
  fi
  status=0
  { apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null; } ||
    status=$?
  [ -z "$no_services" ] || rm -f /usr/sbin/policy-rc.d
  [ "$status" -eq 0 ] || exit "$status"
fi
