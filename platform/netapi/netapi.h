// netapi32, the network-management interface: netapi's names, levels, flags
// and status codes over our own backend (netapi_backend.h), which is Samba's
// libnetapi against a real domain controller. A call without a server name
// goes to "the local computer": the Platform key's LocalDomainController.
#pragma once

#include "platform/base/last_error.h"  // the Win32 codes netapi also answers with
#include "platform/base/wintypes.h"

using NET_API_STATUS = DWORD;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPVOID = void*;

inline constexpr NET_API_STATUS NERR_Success = 0;
inline constexpr NET_API_STATUS NERR_BASE = 2100;
inline constexpr NET_API_STATUS NERR_BufTooSmall = NERR_BASE + 23;         // 2123
inline constexpr NET_API_STATUS NERR_InternalError = NERR_BASE + 40;      // 2140
inline constexpr NET_API_STATUS NERR_DestNotFound = NERR_BASE + 52;       // 2152
inline constexpr NET_API_STATUS NERR_UserNotFound = NERR_BASE + 121;      // 2221
inline constexpr NET_API_STATUS NERR_PasswordTooShort = NERR_BASE + 145;  // 2245
inline constexpr NET_API_STATUS NERR_InvalidComputer = NERR_BASE + 251;   // 2351

// Codes the user calls answer besides the NERR_ ones.
inline constexpr DWORD ERROR_BAD_NETPATH = 53;
// The connection to the server broke, or timed out, during a call: what the
// call asked may have been done.
inline constexpr DWORD ERROR_UNEXP_NET_ERR = 59;
inline constexpr DWORD ERROR_NETNAME_DELETED = 64;
inline constexpr DWORD ERROR_SEM_TIMEOUT = 121;
inline constexpr DWORD ERROR_CONNECTION_ABORTED = 1236;
// No connection to the server could be made: nothing was asked.
inline constexpr DWORD ERROR_CAN_NOT_COMPLETE = 1003;
inline constexpr DWORD RPC_S_SERVER_UNAVAILABLE = 1722;
inline constexpr DWORD ERROR_INVALID_PASSWORD = 86;
inline constexpr DWORD ERROR_PASSWORD_RESTRICTION = 1325;
inline constexpr DWORD ERROR_LOGON_FAILURE = 1326;
inline constexpr DWORD ERROR_ACCOUNT_DISABLED = 1331;
inline constexpr DWORD ERROR_ACCOUNT_EXPIRED = 1793;
inline constexpr DWORD ERROR_ACCOUNT_LOCKED_OUT = 1909;

inline constexpr DWORD MAX_PREFERRED_LENGTH = 0xFFFFFFFFu;
// NetUserGetLocalGroups: also the groups the user is in through other groups.
inline constexpr DWORD LG_INCLUDE_INDIRECT = 0x0001;

struct GROUP_USERS_INFO_0 {
  LPWSTR grui0_name;
};

struct LOCALGROUP_USERS_INFO_0 {
  LPWSTR lgrui0_name;
};

// The global groups of a user, level 0 only: an array of GROUP_USERS_INFO_0
// in one buffer that the caller frees with NetApiBufferFree (also after a
// failure, when the buffer is null).
NET_API_STATUS NetUserGetGroups(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE* buffer,
                                DWORD preferredMaximumLength, LPDWORD entriesRead, LPDWORD totalEntries);

// The local groups of a user, level 0 only, with LG_INCLUDE_INDIRECT as the
// one flag.
NET_API_STATUS NetUserGetLocalGroups(LPCWSTR serverName, LPCWSTR userName, DWORD level, DWORD flags,
                                     LPBYTE* buffer, DWORD preferredMaximumLength, LPDWORD entriesRead,
                                     LPDWORD totalEntries);

// User account flags (usri3_flags).
inline constexpr DWORD UF_SCRIPT = 0x0001;
inline constexpr DWORD UF_ACCOUNTDISABLE = 0x0002;
inline constexpr DWORD UF_LOCKOUT = 0x0010;
inline constexpr DWORD UF_PASSWD_NOTREQD = 0x0020;
inline constexpr DWORD UF_NORMAL_ACCOUNT = 0x0200;
inline constexpr DWORD UF_DONT_EXPIRE_PASSWD = 0x10000;

// A user's password (level 1003).
struct USER_INFO_1003 {
  LPWSTR usri1003_password;
};

// A user's level-3 record. usri3_password is always null in an answer.
struct USER_INFO_3 {
  LPWSTR usri3_name;
  LPWSTR usri3_password;
  DWORD usri3_password_age;
  DWORD usri3_priv;
  LPWSTR usri3_home_dir;
  LPWSTR usri3_comment;
  DWORD usri3_flags;
  LPWSTR usri3_script_path;
  DWORD usri3_auth_flags;
  LPWSTR usri3_full_name;
  LPWSTR usri3_usr_comment;
  LPWSTR usri3_parms;
  LPWSTR usri3_workstations;
  DWORD usri3_last_logon;
  DWORD usri3_last_logoff;
  DWORD usri3_acct_expires;
  DWORD usri3_max_storage;
  DWORD usri3_units_per_week;
  LPBYTE usri3_logon_hours;
  DWORD usri3_bad_pw_count;
  DWORD usri3_num_logons;
  LPWSTR usri3_logon_server;
  DWORD usri3_country_code;
  DWORD usri3_code_page;
  DWORD usri3_user_id;
  DWORD usri3_primary_group_id;
  LPWSTR usri3_profile;
  LPWSTR usri3_home_dir_drive;
  DWORD usri3_password_expired;
};

// In every user call the server is "\\name" or "name" alike; none is the
// local computer. A call that meets a controller whose certificate does not
// verify over ldaps (the group and user calls that go over LDAP) answers a
// status of the trust family (CERT_E_UNTRUSTEDROOT, CERT_E_CN_NO_MATCH, ...:
// platform/base/certificate_failure.h), whose FormatMessageA text on the
// calling thread then ends with the controller's name and OpenSSL's reason.

// Level 1003: an administrator's reset of the password (libnetapi).
// Level 3: only the account's state is written, over LDAP to the same
// controller: usri3_flags' UF_ACCOUNTDISABLE (userAccountControl), a clear
// UF_LOCKOUT unlocks (lockoutTime 0; a set one locks nothing), and
// usri3_password_expired 1 (pwdLastSet 0: the password must be changed at
// the next logon; 0 leaves the password's age alone, so a record written
// back as read never renews an expired password). Only what differs from
// the account is written, in one modification. Every other field of the
// record is ignored. *parmError, when given, is 0 unless the controller
// named a field it refused.
NET_API_STATUS NetUserSetInfo(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE buffer, LPDWORD parmError);

// Level 3 only: one buffer, record and texts, that the caller frees with
// NetApiBufferFree; *buffer is null after a failure.
NET_API_STATUS NetUserGetInfo(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE* buffer);

// The user's own change of password, old to new, on `domainName` (a
// controller's name, "\\name" or "name", or a domain name that resolves to
// one; none: the local computer): a bind as the user with the old password,
// so a wrong one counts as a bad logon. A password that must be changed
// (or has expired) allows no logon; the change is then made by the
// directory account, the controller still checking the old password.
// ERROR_INVALID_PASSWORD for a wrong old password, NERR_PasswordTooShort
// when the domain's policy refuses the new one, ERROR_ACCOUNT_LOCKED_OUT,
// ERROR_ACCOUNT_DISABLED, NERR_UserNotFound; ERROR_NETNAME_DELETED or
// ERROR_SEM_TIMEOUT when the connection broke or timed out after the change
// was sent, which may then have been made.
NET_API_STATUS NetUserChangePassword(LPCWSTR domainName, LPCWSTR userName, LPCWSTR oldPassword,
                                     LPCWSTR newPassword);

// This layer's own, not a netapi call: whether NetUserChangePassword can
// reach `domainName` now. Opens the connection that the change would use
// (ldaps, the controller's certificate and host name verified), binds it as
// the directory account and closes it; NERR_Success, or what that change
// would have failed with. A reset that writes a password before it changes
// it asks this first, so that the change is not lost to a connection that
// could never be made.
NET_API_STATUS NetUserChangePasswordReady(LPCWSTR domainName);

// The primary domain controller of `domainName` (none: the server's own
// domain) as "\\name", asked of `serverName` (none: the local computer), in
// one buffer freed with NetApiBufferFree.
NET_API_STATUS NetGetDCName(LPCWSTR serverName, LPCWSTR domainName, LPBYTE* buffer);

// The directory service locator.
inline constexpr DWORD ERROR_NO_SUCH_DOMAIN = 1355;
// DsGetDcNameA flags: a controller that takes writes.
inline constexpr ULONG DS_WRITABLE_REQUIRED = 0x00001000;
// DomainControllerAddressType values.
inline constexpr ULONG DS_INET_ADDRESS = 1;
inline constexpr ULONG DS_NETBIOS_ADDRESS = 2;

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};

struct DOMAIN_CONTROLLER_INFOA {
  LPSTR DomainControllerName;     // "\\" and the controller's name
  LPSTR DomainControllerAddress;  // "\\" and its address
  ULONG DomainControllerAddressType;
  GUID DomainGuid;
  LPSTR DomainName;
  LPSTR DnsForestName;
  ULONG Flags;
  LPSTR DcSiteName;
  LPSTR ClientSiteName;
};
using PDOMAIN_CONTROLLER_INFOA = DOMAIN_CONTROLLER_INFOA*;

// Finds a domain controller of `domainName`, asked of `computerName` (UTF-8
// texts). No computer name: the Platform key's LocalDomainController is
// asked, else the system resolver finds one; no domain name: the computer's
// own domain, which only the LocalDomainController can answer here
// (ERROR_NO_SUCH_DOMAIN without one). The domain GUID and site name are not
// passed on. The answer is one buffer that the caller frees with
// NetApiBufferFree; *info is null after a failure.
DWORD DsGetDcNameA(LPCSTR computerName, LPCSTR domainName, GUID* domainGuid, LPCSTR siteName, ULONG flags,
                   PDOMAIN_CONTROLLER_INFOA* info);

// Frees a buffer that a netapi call returned; a null buffer is fine.
NET_API_STATUS NetApiBufferFree(LPVOID buffer);
