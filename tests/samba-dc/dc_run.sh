#!/bin/bash
# Runs a command against the fixture DC as a service on a domain member would
# run: the fixture's settings (dc.env) in the environment, its registry file,
# krb5.conf and CA, Kerberos credentials of the domain's Administrator in a
# private credential cache, and the DC's names resolving through the
# fixture's hosts file in a private mount namespace (the machine's own
# /etc/hosts is never touched).
#
#   dc_run.sh WORKDIR COMMAND [ARGUMENTS...]
#
# With DC_RUN_NO_TICKET=1 the cache stays empty. Must run as root.
set -eu

[ "$#" -ge 2 ] || { echo "usage: $0 WORKDIR COMMAND [ARGUMENTS...]" >&2; exit 2; }
workdir=$1
shift
[ -f "$workdir/dc.env" ] || { echo "dc_run: no running DC in $workdir (no dc.env)" >&2; exit 1; }
set -a
# shellcheck disable=SC1091
. "$workdir/dc.env"
set +a
export VARNOK_REGISTRY=$DC_REGISTRY KRB5_CONFIG=$DC_KRB5_CONFIG LDAPTLS_CACERT=$DC_TLS_CA
# Samba's libraries keep allocations for the process's life.
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$DC_LSAN_SUPPRESSIONS:print_suppressions=0

cache_dir=$(mktemp -d "${TMPDIR:-/tmp}/dc-run-XXXXXX")
trap 'rm -rf "$cache_dir"' EXIT
export KRB5CCNAME=FILE:$cache_dir/ccache
if [ "${DC_RUN_NO_TICKET:-0}" != 1 ]; then
	printf '%s\n' "$DC_ADMIN_PASSWORD" | kinit "$DC_ADMIN@$DC_REALM" >/dev/null ||
		{ echo "dc_run: kinit $DC_ADMIN@$DC_REALM failed" >&2; exit 1; }
fi
# Not exec: the trap removes the cache afterwards.
status=0
unshare -m sh -c 'mount --bind "$0" /etc/hosts && exec "$@"' "$DC_HOSTS" "$@" || status=$?
exit "$status"
