#!/bin/bash
# End to end: the Morrowen filter guarding the test Samba domain. The DC's
# check password script (tests/samba-dc) runs the LSA host with the filter;
# this test writes the rules and the dictionary into the DC's system folder,
# sets passwords with samba-tool, over LDAP and over SAMR (a plain libnetapi
# client), changes them over kpasswd as the user, and reads each verdict
# from the domain's answer, a logon and the rule log.
#
#   samba_domain_test.sh DC_ENV WORKDIR CHECKS FILTER LIBNETAPI_CLIENT
#     DC_ENV: the fixture's dc.env; FILTER: the filter library the DC runs
#     CHECKS: rules         length, dictionary and a global exempt group
#             local-groups  a domain-local exempt group
#     LIBNETAPI_CLIENT: platform/netapi/tests/libnetapi_client
set -u

[ "$#" = 5 ] || { echo "usage: $0 DC_ENV WORKDIR rules|local-groups FILTER LIBNETAPI_CLIENT" >&2; exit 2; }
# shellcheck source=/dev/null
. "$1" || exit 1
work=$2
checks=$3
filter=$4
libnetapi_client=$5
export KRB5_CONFIG=$DC_KRB5_CONFIG LDAPTLS_REQCERT=never KRB5CCNAME=FILE:$work/krb5cc

readonly LOG_DIR=$work/log
readonly LOG=$LOG_DIR/MorrowenRules.log
readonly RULES=$DC_SYSTEM_DIR/MorrowenRules.txt
readonly DICTIONARY=$DC_SYSTEM_DIR/MorrowenDictionary.txt
readonly GLOBAL_GROUP="Varnok Exempt Global"
readonly LOCAL_GROUP="Varnok Exempt Local"
# Samba gives its check password script 10 s, then refuses the password; a
# look-up of the filter's that waits on the request which called the script
# takes all of them. A bound below Samba's that a loaded machine still
# keeps, not a speed figure.
readonly HANG_SECONDS=8
case $checks in
rules) readonly USERS="alice bob" ;;
local-groups) readonly USERS="carol" ;;
*) echo "unknown checks '$checks'" >&2; exit 2 ;;
esac
# samba-tool over ldaps fails here ("Sign or Seal are not allowed if TLS is
# used"); its sealed SASL bind over ldap:// works, and the DC judges either way.
readonly TOOL=(-H "ldap://$DC_ADDRESS" -U "$DC_ADMIN%$DC_ADMIN_PASSWORD")

user_dn() { echo "CN=$1,CN=Users,$DC_BASE_DN"; }

remove_test_objects() {
	local dns=() u
	for u in $USERS; do dns+=("$(user_dn "$u")"); done
	dns+=("CN=$GLOBAL_GROUP,CN=Users,$DC_BASE_DN" "CN=$LOCAL_GROUP,CN=Users,$DC_BASE_DN")
	ldapdelete -c -x -H "$DC_LDAPS_URI" -D "$DC_ADMIN@$DC_DNS_DOMAIN" -w "$DC_ADMIN_PASSWORD" "${dns[@]}" \
		>/dev/null 2>&1
}

# Other tests share the DC: leave its system folder without rules (the filter
# then accepts everything) and the directory without our accounts.
cleanup() {
	rm -f "$RULES" "$DICTIONARY"
	remove_test_objects
}
trap cleanup EXIT

fail() {
	echo "FAIL: $*"
	echo "--- tail of the rule log $LOG"
	tail -n 40 "$LOG" 2>/dev/null
	exit 1
}

# The rule log lines written since the last mark: the verdict of one check.
log_mark=0
mark_log() { log_mark=$( (wc -l <"$LOG") 2>/dev/null || echo 0); }
new_log() { tail -n +$((log_mark + 1)) "$LOG" 2>/dev/null; }
log_shows() {
	local pattern
	for pattern in "$@"; do
		new_log | grep -qiF -- "$pattern" || fail "the rule log does not show \"$pattern\" for this check"
	done
}

# set_by_tool USER PASSWORD / set_by_ldap USER PASSWORD / set_by_samr USER
# PASSWORD: an administrator's reset; set_by_kpasswd USER PASSWORD: the
# user's own change from the password it has now. The domain's answer on
# stdout, the status as the exit status.
set_by_tool() {
	samba-tool user setpassword "$1" --newpassword="$2" "${TOOL[@]}" 2>&1
}
set_by_ldap() {
	local value
	# unicodePwd: the password in double quotes, UTF-16LE, base64.
	value=$(printf '"%s"' "$2" | iconv -f UTF-8 -t UTF-16LE | base64 -w0)
	printf 'dn: %s\nchangetype: modify\nreplace: unicodePwd\nunicodePwd:: %s\n-\n' "$(user_dn "$1")" "$value" |
		ldapmodify -x -H "$DC_LDAPS_URI" -D "$DC_ADMIN@$DC_DNS_DOMAIN" -w "$DC_ADMIN_PASSWORD" 2>&1
}
# NetUserSetInfo level 1003: SAMR, the DC's SAM server running the script.
# A sanitizer-built client: Samba's libraries keep allocations for the
# process's life.
set_by_samr() {
	printf '%s\n' "$2" |
		DC_ADMIN=$DC_ADMIN DC_ADMIN_PASSWORD=$DC_ADMIN_PASSWORD DC_DOMAIN=$DC_DOMAIN \
			LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$DC_LSAN_SUPPRESSIONS:print_suppressions=0 \
			"$libnetapi_client" "$DC_ADDRESS" setpw "$1" 2>&1
}
# The KDC's password service, the user logging on with the password it has.
set_by_kpasswd() {
	printf '%s\n%s\n%s\n' "${password_of[$1]}" "$2" "$2" | kpasswd "$1@$DC_REALM" 2>&1
}

# How each way tells that the domain refused the password as not meeting
# its criteria (a time-out of the script says otherwise).
declare -A REFUSAL=([tool]=0000052D [ldap]=0000052D [samr]="status 1325" [kpasswd]="complexity requirements")
# Each user's password now, for the changes that need it.
declare -A password_of=()

# set_in_time HOW USER PASSWORD: out and rc of set_by_HOW, which must answer
# within HANG_SECONDS.
set_in_time() {
	local t0 ms
	t0=$(date +%s%N)
	out=$("set_by_$1" "$2" "$3")
	rc=$?
	ms=$((($(date +%s%N) - t0) / 1000000))
	[ "$ms" -le $((HANG_SECONDS * 1000)) ] ||
		fail "set_by_$1 $2: no answer within $HANG_SECONDS s (status $rc): a look-up waits on the request? $out"
}

# The user logs on with the password: an LDAP simple bind over ldaps (then
# a read of the root DSE; the DC has no "who am I" operation).
binds() {
	ldapsearch -x -H "$DC_LDAPS_URI" -D "$1@$DC_DNS_DOMAIN" -w "$2" -b "" -s base -LLL dn >/dev/null 2>&1
}

# refused HOW USER PASSWORD OLD-PASSWORD LOG-LINE...: the domain refuses the
# password as not meeting its criteria, the rule log shows why, and the user
# still logs on with the old password.
refused() {
	local how=$1 user=$2 password=$3 old=$4 out rc
	shift 4
	mark_log
	set_in_time "$how" "$user" "$password"
	[ "$rc" != 0 ] || fail "set_by_$how $user: a password the rules refuse was accepted by the domain"
	grep -qF "${REFUSAL[$how]}" <<<"$out" || fail "set_by_$how $user: refused for another reason (status $rc): $out"
	log_shows "Password Filter: rejected" "$@"
	binds "$user" "$old" || fail "$user no longer logs on with the old password after a refused change"
	echo "ok: set_by_$how $user (${#password} characters): refused by the domain (${REFUSAL[$how]});" \
		"the old password still logs on; rule log: \"Password Filter: rejected\"${1:+$(printf ' "%s"' "$@")}"
}

# accepted HOW USER PASSWORD LOG-LINE...: the domain takes the password, the
# rule log shows why, and the user logs on with it.
accepted() {
	local how=$1 user=$2 password=$3 out rc
	shift 3
	mark_log
	set_in_time "$how" "$user" "$password"
	[ "$rc" = 0 ] || fail "set_by_$how $user: refused (status $rc): $out"
	password_of[$user]=$password
	log_shows "$@"
	binds "$user" "$password" || fail "$user cannot log on with the password the domain accepted"
	echo "ok: set_by_$how $user (${#password} characters): accepted, the user logs on with it;" \
		"rule log:$(printf ' "%s"' "$@")"
}

run() {
	local out
	out=$("$@" 2>&1) || fail "$*: $out"
}

# The exempt groups below are read through the backend module that the
# filter loads beside itself at the first look-up: the filter itself brings
# no directory library along.
directory_libraries=$(ldd "$filter" | grep -E 'libnetapi|samba|libldap|liblber|libsasl2|krb5|gssapi')
[ -z "$directory_libraries" ] || fail "$filter loads directory libraries by itself: $directory_libraries"
[ -f "$(dirname "$filter")/varnok_netapi_backend.so" ] || fail "no netapi backend module beside $filter"
echo "ok: $filter links no directory library; the group look-ups load the module beside it"

rm -rf "$work"
mkdir -p "$LOG_DIR" || exit 1
remove_test_objects
cat >"$RULES" <<EOF
# The domain test's rules: length and dictionary, two exempt groups.
ACTIVE 1
TRACE 1
MIN_LENGTH 10
DICTIONARY 1
LOGDIR $LOG_DIR
EXCLUDE_GROUP $GLOBAL_GROUP
EXCLUDE_GROUP $LOCAL_GROUP
EOF
cat >"$DICTIONARY" <<EOF
# Words the domain refuses.
sunshine*
*dragon*
correcthorsebattery
EOF
echo "rules and dictionary in $DC_SYSTEM_DIR, rule log in $LOG_DIR"

# The accounts: new users get a password the rules accept.
readonly START_PW=Quiet-Harbor-47
for u in $USERS; do
	mark_log
	run samba-tool user create "$u" "$START_PW" --use-username-as-cn "${TOOL[@]}"
	password_of[$u]=$START_PW
	log_shows "Password Filter: accepted"
done
echo "ok: created $USERS, the filter accepted their first password"

if [ "$checks" = rules ]; then
	run samba-tool group add "$GLOBAL_GROUP" "${TOOL[@]}"
	run samba-tool group addmembers "$GLOBAL_GROUP" bob "${TOOL[@]}"
	echo "ok: bob is in the global group \"$GLOBAL_GROUP\""
	# Too short for MIN_LENGTH 10 (8 characters), by every way the DC takes
	# a password.
	n=0
	for how in tool ldap samr kpasswd; do
		refused "$how" alice "Sh0rt-a$((++n))" "$START_PW" "Test Minimum password length: Status = FALSE"
	done
	# Long enough and in no dictionary pattern.
	accepted tool alice Amber-Lantern-58 "Password Filter: accepted"
	accepted ldap alice Copper-Valley-93 "Password Filter: accepted"
	accepted samr alice Linen-Harbor-61 "Password Filter: accepted"
	accepted kpasswd alice Cedar-Window-74 "Password Filter: accepted"
	# The user also logs on over SMB with it.
	smbclient "//$DC_ADDRESS/netlogon" -U "$DC_DOMAIN\\alice%${password_of[alice]}" -c ls >/dev/null 2>&1 ||
		fail "alice cannot log on over SMB with the password the domain accepted"
	echo "ok: alice logs on over SMB with the accepted password"
	# Long enough, but a dictionary word.
	now=${password_of[alice]}
	refused tool alice Sunshine-Meadow-8 "$now" "Dictionary: Excluded by dictionary rule: sunshine*"
	refused ldap alice My-Dragon-Keeper-4 "$now" "Dictionary: Excluded by dictionary rule: *dragon*"
	refused samr alice Sunshine-Garden-3 "$now" "Dictionary: Excluded by dictionary rule: sunshine*"
	refused kpasswd alice Red-Dragon-Fire-5 "$now" "Dictionary: Excluded by dictionary rule: *dragon*"
	# Members of an EXCLUDE_GROUP group skip the rules: a too-short password
	# is theirs to keep. The membership is read from the DC through netapi,
	# also while the DC's SAM server waits for the verdict.
	n=0
	for how in tool ldap samr kpasswd; do
		accepted "$how" bob "Sh0rt-b$((++n))" "Password Filter: no checks performed" \
			"User bob is in group $GLOBAL_GROUP, which is in the exclusion list"
	done
else
	# A domain-local group reaches the filter through the local-group look-up.
	run samba-tool group add "$LOCAL_GROUP" --group-scope=Domain "${TOOL[@]}"
	run samba-tool group addmembers "$LOCAL_GROUP" carol "${TOOL[@]}"
	echo "ok: carol is in the domain-local group \"$LOCAL_GROUP\""
	n=0
	for how in ldap samr; do
		accepted "$how" carol "Sh0rt-c$((++n))" "Password Filter: no checks performed" \
			"User carol is in group $LOCAL_GROUP, which is in the exclusion list"
	done
fi
echo "PASS: the filter guards $DC_REALM ($checks)"
