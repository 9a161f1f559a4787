#!/bin/bash
# Password resets per second through each of the service's paths against a
# throwaway domain controller: starts the fixture DC in a private network
# and mount namespace (so it meets no other DC on the machine), runs the
# load generator's reset section through dc_run.sh, and stops the DC.
#
#   reset_benchmark.sh BUILD_DIR [SECONDS]      (as root)
set -eu
[ "$#" -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS]" >&2; exit 2; }
build=$(cd "$1" && pwd)
seconds=${2:-3}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/varnok-reset-bench-XXXXXX)
export VARNOK_DC_PASSWORD_FILTER="$build/platform/lsa/lsa_filter_host $build/filter/libMorrowen.so"
exec unshare -mn bash -c '
	set -eu
	ip link set lo up
	mount -t tmpfs tmpfs /run/samba 2>/dev/null || { mkdir -p /run/samba && mount -t tmpfs tmpfs /run/samba; }
	trap "\"$1\"/tests/samba-dc/samba_dc.sh stop \"$3\" >/dev/null; rm -rf \"$3\"" EXIT
	"$1"/tests/samba-dc/samba_dc.sh start "$3" >/dev/null
	"$1"/tests/samba-dc/dc_run.sh "$3" "$2"/RemoteSvr/remotesvr_load_generator --resets --seconds "$4"
' reset-benchmark "$source_dir" "$build" "$work" "$seconds"
