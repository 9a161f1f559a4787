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
  libbenchmark-dev libpwquality-dev
  # tests that run python3 helpers
  python3
  # fuzzing
  clang libclang-rt-14-dev
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
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
