#!/usr/bin/env bash
# Runs a command in a private network and mount namespace: a loopback of its
# own, so the fixed ports of the test DC and of the reset service meet no
# other run on the machine, and empty Samba client state (/run/samba,
# /var/lib/samba, /var/cache/samba), so no test reads or writes the
# machine's own. Must run as root.
#
#   isolated.sh COMMAND [ARGUMENTS...]
set -eu
[ "$#" -ge 1 ] || { echo "usage: $0 COMMAND [ARGUMENTS...]" >&2; exit 2; }
exec unshare -mn bash -c '
	set -eu
	ip link set lo up
	for dir in /run/samba /var/lib/samba /var/cache/samba; do
		mkdir -p "$dir"
		mount -t tmpfs -o mode=0755 tmpfs "$dir"
	done
	mkdir -m 0700 /var/lib/samba/private
	exec "$@"
' isolated "$@"
