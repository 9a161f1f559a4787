#!/bin/bash
# A throwaway Samba Active Directory domain controller on loopback for the
# tests: provisions TEST.LAN (DC dc1, 127.0.0.1 only) into WORKDIR, starts it
# and stops it by PID. Writes WORKDIR/dc.env for the tests that use it.
#
#   samba_dc.sh start WORKDIR    (stops a left-over instance of WORKDIR first)
#   samba_dc.sh stop WORKDIR     (idempotent)
#   samba_dc.sh halt WORKDIR     (stops the server, keeps the domain and dc.env)
#   samba_dc.sh resume WORKDIR   (starts a halted server again; idempotent)
#
# With VARNOK_DC_PASSWORD_FILTER="HOST LIBRARY" the DC's check password script
# runs the LSA host with that filter library, so the project's filter judges
# every password set or change on the domain. Must run as root.
set -u

readonly REALM=TEST.LAN DNS_DOMAIN=test.lan DOMAIN=TEST HOST_NAME=dc1 ADDRESS=127.0.0.1
readonly BASE_DN=DC=test,DC=lan ADMIN=Administrator
# Complex enough for provisioning (the domain's default policy applies then)
# and free of shell metacharacters, so dc.env needs no quoting.
readonly ADMIN_PASSWORD=Adm1n-Pass.23
readonly PORTS="53 88 135 139 389 445 464 636 3268 3269"
readonly WINBINDD_PIPE=/run/samba/winbindd/pipe
SCRIPT_DIR=$(cd "$(dirname "$0")" && pwd)
readonly SCRIPT_DIR

now() { date +%s.%N; }
# Seconds from $1 to $2 (default: now), two decimals.
span() { printf '%.2f' "$(echo "${2:-$(now)} - $1" | bc)"; }
port_open() { (exec 3<>"/dev/tcp/$ADDRESS/$1") 2>/dev/null; }

usage() {
	echo "usage: $0 start|stop WORKDIR" >&2
	exit 2
}

[ "$#" = 2 ] || usage
action=$1
case $2 in
/*) W=${2%/} ;;
*) W=$PWD/${2%/} ;;
esac
# Every path goes into smb.conf, dc.env and the registry file unquoted.
if ! [[ $W =~ ^[A-Za-z0-9_./+-]+$ ]]; then
	echo "samba_dc: WORKDIR '$W' may hold only letters, digits and _ . / + -" >&2
	exit 2
fi
D=$W/dc
CONF=$D/etc/smb.conf
PIDFILE=$W/dc.pid
ENV_FILE=$W/dc.env
SYSTEM_DIR=$W/system
CREDENTIALS=$W/credentials
REGISTRY=$W/registry.reg
KRB5_FILE=$W/krb5.conf
CPS_SCRIPT=$W/check-password.sh
LSAN_SUPPRESSIONS=$W/lsan-samba.supp
TLS_DIR=$W/tls
HOSTS_FILE=$W/hosts

if [ "$(id -u)" != 0 ]; then
	echo "samba_dc: must run as root (a Samba AD DC binds privileged ports)" >&2
	exit 1
fi

# The PIDs of this instance: the processes that name its config file as an
# argument (smbd, winbindd, samba-dcerpcd and its workers), and every process
# in the session of one of them or of the master (setsid made it a session
# leader; children that rename themselves stay in their parent's session).
instance_pids() {
	local master=${1:-} f p arg stat state
	local -A session=() sessions=()
	[ -n "$master" ] && sessions[$master]=1
	for f in /proc/[0-9]*/stat; do
		p=${f#/proc/}
		p=${p%/stat}
		[ "$p" = "$$" ] && continue
		stat=""
		{ read -r stat <"$f"; } 2>/dev/null || continue
		# After the command name in parentheses: state ppid pgrp session ...
		read -r state _ _ session[$p] _ <<<"${stat##*) }"
		# A zombie has ended already; only its parent (init) can reap it.
		[ "$state" = Z ] && unset "session[$p]" && continue
		{
			while IFS= read -r -d '' arg; do
				case $arg in
				"$CONF" | *"=$CONF") sessions[${session[$p]:-none}]=1; break ;;
				esac
			done <"/proc/$p/cmdline"
		} 2>/dev/null
	done
	for p in "${!session[@]}"; do
		[ -n "${session[$p]}" ] && [ -n "${sessions[${session[$p]}]:-}" ] && echo "$p"
	done
}

# Stops every process of the instance; the provisioned domain and dc.env stay.
stop_processes() {
	local master="" p left
	local -A seen=()
	if [ -f "$PIDFILE" ]; then
		master=$(cat "$PIDFILE")
		[[ $master =~ ^[0-9]+$ ]] || master=""
	fi
	if [ -n "$master" ] && kill -0 "$master" 2>/dev/null; then
		if tr '\0' ' ' <"/proc/$master/cmdline" 2>/dev/null | grep -qF -- "$CONF"; then
			for p in $master $(instance_pids "$master"); do seen[$p]=1; done
			# The master ends its own process group on SIGTERM.
			kill -TERM "$master"
			for _ in $(seq 1 100); do
				kill -0 "$master" 2>/dev/null || break
				sleep 0.05
			done
			if kill -0 "$master" 2>/dev/null; then
				echo "samba_dc: master $master ignored SIGTERM, sending SIGKILL"
				kill -KILL "$master" 2>/dev/null
			fi
		else
			# The PID was reused: that session is not ours.
			master=""
		fi
	fi
	# Then the helpers of this instance that outlived it, by PID.
	for _ in $(seq 1 100); do
		left=$(instance_pids "$master")
		[ -z "$left" ] && break
		for p in $left; do
			seen[$p]=1
			kill -TERM "$p" 2>/dev/null
		done
		sleep 0.05
	done
	left=$(instance_pids "$master")
	if [ -n "$left" ]; then
		for p in $left; do kill -KILL "$p" 2>/dev/null; done
		sleep 0.2
		left=$(instance_pids "$master")
	fi
	# Ended processes stay zombies until init reaps them; wait for that, so
	# that nothing of this instance is left.
	for _ in $(seq 1 100); do
		for p in "${!seen[@]}"; do [ -e "/proc/$p" ] || unset "seen[$p]"; done
		[ "${#seen[@]}" = 0 ] && break
		sleep 0.05
	done
	rm -f "$PIDFILE"
	if [ -n "$left" ]; then
		echo "samba_dc: processes of $W still running:" $left
		return 1
	fi
	return 0
}

stop_instance() {
	local status=0
	stop_processes || status=1
	rm -f "$ENV_FILE"
	return $status
}

# Shows why the DC did not come up, stops what did start, and fails.
fail_start() {
	echo "samba_dc: $*"
	local f
	for f in "$W/provision.log" "$W/samba.out"; do
		[ -s "$f" ] && { echo "--- tail of $f"; tail -n 40 "$f"; }
	done
	for f in "$D"/log/log.*; do
		[ -s "$f" ] && { echo "--- tail of $f"; tail -n 15 "$f"; }
	done
	stop_instance >/dev/null
	exit 1
}

# A CA of the test's own and a DC certificate for its name and its address,
# so clients verify the peer and its host name even when they connect by
# address (the directory layers always verify).
write_certificates() {
	rm -rf "$TLS_DIR"
	mkdir -p "$TLS_DIR"
	(
		umask 077
		openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
			-subj "/CN=$REALM test CA" -keyout "$TLS_DIR/ca.key" -out "$TLS_DIR/ca.pem" &&
			openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
				-subj "/CN=$HOST_NAME.$DNS_DOMAIN" -keyout "$TLS_DIR/dc.key" -out "$TLS_DIR/dc.csr" &&
			openssl x509 -req -in "$TLS_DIR/dc.csr" -CA "$TLS_DIR/ca.pem" -CAkey "$TLS_DIR/ca.key" \
				-CAcreateserial -days 2 -out "$TLS_DIR/dc.pem" \
				-extfile <(printf 'subjectAltName=DNS:%s.%s,DNS:%s,IP:%s\nextendedKeyUsage=serverAuth\n' \
					"$HOST_NAME" "$DNS_DOMAIN" "$HOST_NAME" "$ADDRESS")
	) >>"$W/provision.log" 2>&1 || fail_start "cannot make the DC's certificate"
	chmod 0644 "$TLS_DIR/ca.pem" "$TLS_DIR/dc.pem"
}

write_files() {
	local host library
	cat >"$KRB5_FILE" <<EOF
[libdefaults]
	default_realm = $REALM
	dns_lookup_kdc = false
	dns_lookup_realm = false
	rdns = false
	dns_canonicalize_hostname = false
[realms]
	$REALM = {
		kdc = $ADDRESS
		admin_server = $ADDRESS
		kpasswd_server = $ADDRESS
	}
[domain_realm]
	.$DNS_DOMAIN = $REALM
	$DNS_DOMAIN = $REALM
EOF
	# The netapi layer refuses a credentials file others could read.
	rm -f "$CREDENTIALS"
	(umask 077 && printf 'username = %s\npassword = %s\ndomain = %s\n' "$ADMIN" "$ADMIN_PASSWORD" "$DOMAIN" >"$CREDENTIALS")
	chown root:root "$CREDENTIALS"
	chmod 0600 "$CREDENTIALS"
	cat >"$REGISTRY" <<-EOF
		Windows Registry Editor Version 5.00

		[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Platform]
		"LocalDomainController"="$ADDRESS"
		"CredentialsFile"="$CREDENTIALS"
	EOF
	# The DC's names for a private mount namespace (dc_run.sh): Kerberos
	# service names need its host name to resolve, to the loopback address.
	printf '127.0.0.1\tlocalhost\n%s\t%s.%s %s\n' "$ADDRESS" "$HOST_NAME" "$DNS_DOMAIN" "$HOST_NAME" >"$HOSTS_FILE"
	rm -rf "$SYSTEM_DIR"
	mkdir -p "$SYSTEM_DIR"
	cp "$SCRIPT_DIR/lsan-samba.supp" "$LSAN_SUPPRESSIONS" || fail_start "cannot copy lsan-samba.supp"
	rm -f "$CPS_SCRIPT"
	if [ -n "${VARNOK_DC_PASSWORD_FILTER:-}" ]; then
		read -r host library <<<"$VARNOK_DC_PASSWORD_FILTER"
		[ -x "$host" ] || fail_start "VARNOK_DC_PASSWORD_FILTER: '$host' is not an executable"
		[ -f "$library" ] || fail_start "VARNOK_DC_PASSWORD_FILTER: no library '$library'"
		cat >"$CPS_SCRIPT" <<-EOF
			#!/bin/sh
			# The test DC's check password script: the project's password filter
			# judges the password (standard input) for SAMBA_CPS_ACCOUNT_NAME.
			export VARNOK_SYSTEM_DIR=$SYSTEM_DIR VARNOK_REGISTRY=$REGISTRY KRB5_CONFIG=$KRB5_FILE
			# The group look-ups verify the DC's certificate against the test's CA.
			export LDAPTLS_CACERT=$TLS_DIR/ca.pem
			# A sanitizer-built filter: Samba's libnetapi leaks are not ours.
			export LSAN_OPTIONS=\${LSAN_OPTIONS:+\$LSAN_OPTIONS:}suppressions=$LSAN_SUPPRESSIONS:print_suppressions=0
			# The rule log lands in the system directory unless the rules set LOGDIR.
			cd $SYSTEM_DIR || exit 2
			# A test holds the check here (a named pipe in place of hold-check)
			# to catch the DC with a password change in hand.
			[ -p hold-check ] && cat hold-check >/dev/null
			exec $host $library
		EOF
		chmod 0755 "$CPS_SCRIPT"
	fi
}

write_env() {
	cat >"$ENV_FILE.tmp" <<-EOF
		DC_ADDRESS=$ADDRESS
		DC_NAME=$HOST_NAME
		DC_DNS_DOMAIN=$DNS_DOMAIN
		DC_REALM=$REALM
		DC_DOMAIN=$DOMAIN
		DC_BASE_DN=$BASE_DN
		DC_ADMIN=$ADMIN
		DC_ADMIN_PASSWORD=$ADMIN_PASSWORD
		DC_SMB_CONF=$CONF
		DC_KRB5_CONFIG=$KRB5_FILE
		DC_REGISTRY=$REGISTRY
		DC_SYSTEM_DIR=$SYSTEM_DIR
		DC_LDAPS_URI=ldaps://$ADDRESS
		DC_TLS_CA=$TLS_DIR/ca.pem
		DC_LSAN_SUPPRESSIONS=$LSAN_SUPPRESSIONS
		DC_HOSTS=$HOSTS_FILE
		DC_FQDN=$HOST_NAME.$DNS_DOMAIN
		DC_PID_FILE=$PIDFILE
		DC_WORKDIR=$W
		DC_CONTROL=$(printf %q "$SCRIPT_DIR/samba_dc.sh")
	EOF
	mv "$ENV_FILE.tmp" "$ENV_FILE"
}

# Starts the provisioned server and waits until it takes logons. Variables
# that a caller's test run may have set (its ticket cache, its trust and
# settings) stay out of the server's environment.
run_server() {
	local p master
	# setsid: the master leads its own process group, so SIGTERM to it also
	# ends its children.
	env -u KRB5CCNAME -u LDAPTLS_CACERT -u VARNOK_REGISTRY -u VARNOK_SYSTEM_DIR KRB5_CONFIG="$KRB5_FILE" \
		setsid samba -F -M prefork -s "$CONF" --debug-stdout -d1 </dev/null >>"$W/samba.out" 2>&1 &
	master=$!
	echo "$master" >"$PIDFILE"
	for p in 389 636 445 88; do
		for _ in $(seq 1 300); do
			port_open "$p" && break
			kill -0 "$master" 2>/dev/null || fail_start "samba exited while starting"
			sleep 0.05
		done
		port_open "$p" || fail_start "tcp/$p does not answer"
	done
	# smbd needs winbindd ready before the first logon.
	for _ in $(seq 1 100); do
		smbclient -L $ADDRESS -U "$ADMIN%$ADMIN_PASSWORD" >/dev/null 2>&1 && break
		sleep 0.1
	done
	smbclient -L $ADDRESS -U "$ADMIN%$ADMIN_PASSWORD" >/dev/null 2>&1 || fail_start "the first SMB logon fails"
}

# The provisioned server of WORKDIR again, after a halt.
resume_instance() {
	local master="" t0
	t0=$(now)
	[ -f "$CONF" ] && [ -f "$ENV_FILE" ] || { echo "samba_dc: no provisioned DC in $W to resume"; exit 1; }
	[ -f "$PIDFILE" ] && master=$(cat "$PIDFILE")
	if [[ $master =~ ^[0-9]+$ ]] && kill -0 "$master" 2>/dev/null &&
		tr '\0' ' ' <"/proc/$master/cmdline" 2>/dev/null | grep -qF -- "$CONF"; then
		return 0
	fi
	cd "$W" || exit 1
	stop_processes || fail_start "cannot stop what is left of $W"
	run_server
	echo "samba_dc: $REALM resumed on $ADDRESS (master $(cat "$PIDFILE")) in $(span "$t0") s"
}

start_instance() {
	local t0 t1 t2 t3 p busy
	t0=$(now)
	mkdir -p "$W" || exit 1
	cd "$W" || exit 1
	stop_instance || fail_start "cannot stop the left-over instance of $W"
	rm -rf "$D" "$W/samba.out" "$W/provision.log"
	# Unix socket paths hold at most 107 bytes; the longest one the DC makes
	# is its RPC pipe "protected_storage".
	local longest=$D/run/ncalrpc/np/protected_storage
	[ "${#longest}" -le 107 ] ||
		fail_start "WORKDIR $W is too long for the DC's socket paths (at most $((107 - ${#longest} + ${#W})) bytes)"
	# A DC of another work folder may still be going down.
	for _ in $(seq 1 100); do
		busy=""
		for p in $PORTS; do port_open "$p" && busy="$busy $p"; done
		[ -z "$busy" ] && break
		sleep 0.1
	done
	[ -n "$busy" ] && fail_start "ports$busy on $ADDRESS are taken by another server:
$(ss -ltnp 2>/dev/null | grep -E "$ADDRESS:($(echo $busy | tr ' ' '|')) ")"

	# smbd finds winbindd only at the default socket; another winbindd there
	# (the machine's own, or a DC of another work folder) would answer it.
	ss -xl 2>/dev/null | grep -qF " $WINBINDD_PIPE " &&
		fail_start "another winbindd listens on $WINBINDD_PIPE: stop it first"

	mkdir -p "$D"
	export KRB5_CONFIG=$KRB5_FILE
	write_files
	write_certificates
	samba-tool domain provision --targetdir="$D" --realm=$REALM --domain=$DOMAIN \
		--server-role=dc --adminpass="$ADMIN_PASSWORD" --use-rfc2307 \
		--dns-backend=SAMBA_INTERNAL --host-name=$HOST_NAME --host-ip=$ADDRESS \
		--option="interfaces = $ADDRESS" --option="bind interfaces only = yes" \
		>"$W/provision.log" 2>&1 || fail_start "provisioning failed"
	t1=$(now)
	# Logs, pid files and RPC sockets stay in the work folder; unix passwords
	# are never touched. The winbindd socket directory stays at its default:
	# smbd finds winbindd only there.
	mkdir -p "$D/log" "$D/run" /run/samba
	sed -i -e "s|^\tlog file = .*|\tlog file = $D/log/log.%m\n\tpid directory = $D/run\n\tncalrpc dir = $D/run/ncalrpc\n\tntp signd socket directory = $D/run/ntp_signd|" \
		-e 's|unix password sync = Yes|unix password sync = No|' "$CONF"
	sed -i -e "s|^\[global\]$|[global]\n\ttls enabled = yes\n\ttls keyfile = $TLS_DIR/dc.key\n\ttls certfile = $TLS_DIR/dc.pem\n\ttls cafile = $TLS_DIR/ca.pem|" "$CONF"
	if [ -f "$CPS_SCRIPT" ]; then
		sed -i -e "s|^\[global\]$|[global]\n\tcheck password script = $CPS_SCRIPT|" "$CONF"
		grep -qF "check password script = $CPS_SCRIPT" "$CONF" || fail_start "cannot set the check password script"
	fi
	# The DC judges no password itself: the project's filter does. Samba runs
	# the check password script in place of its own complexity test, and only
	# while complexity is on, so complexity stays on exactly when there is a
	# script. Lock-out after three bad logons stays on for the tests.
	local complexity=off
	[ -f "$CPS_SCRIPT" ] && complexity=on
	samba-tool domain passwordsettings set -s "$CONF" --complexity=$complexity --history-length=0 \
		--min-pwd-length=0 --min-pwd-age=0 --account-lockout-threshold=3 \
		--account-lockout-duration=30 --reset-account-lockout-after=30 \
		>>"$W/provision.log" 2>&1 || fail_start "setting the password policy failed"

	t2=$(now)
	run_server
	t3=$(now)
	# Provisioning leaves out loopback addresses; DC discovery needs them.
	for p in $HOST_NAME @; do
		samba-tool dns add $ADDRESS $DNS_DOMAIN $p A $ADDRESS -U "$ADMIN%$ADMIN_PASSWORD" \
			>>"$W/provision.log" 2>&1 || fail_start "adding the A record $p failed"
	done
	# userPassword is the password (as directories that take it through
	# generic LDAP clients have it), not a plain attribute holding its text.
	LDAPTLS_CACERT=$TLS_DIR/ca.pem ldapmodify -H "ldaps://$ADDRESS" -x -D "$ADMIN@$DNS_DOMAIN" -w "$ADMIN_PASSWORD" >>"$W/provision.log" 2>&1 <<-EOF ||
		dn: CN=Directory Service,CN=Windows NT,CN=Services,CN=Configuration,$BASE_DN
		changetype: modify
		replace: dSHeuristics
		dSHeuristics: 000000001
	EOF
		fail_start "cannot make userPassword the password"
	write_env
	echo "samba_dc: $REALM up on $ADDRESS (master $(cat "$PIDFILE")) in $(span "$t0") s:" \
		"provision $(span "$t0" "$t1") s, start $(span "$t2" "$t3") s, DNS records $(span "$t3") s"
	echo "samba_dc: environment in $ENV_FILE"
	[ -f "$CPS_SCRIPT" ] && echo "samba_dc: check password script $CPS_SCRIPT"
	return 0
}

case $action in
start) start_instance ;;
stop)
	stop_instance || exit 1
	echo "samba_dc: no process of $W left"
	;;
halt)
	stop_processes || exit 1
	echo "samba_dc: $W halted"
	;;
resume) resume_instance ;;
*) usage ;;
esac
