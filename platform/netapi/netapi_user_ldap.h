// The user calls of the netapi backend that go to the controller over LDAP
// because libnetapi lacks them (a user's own password change) or
// mishandles them (its level-3 set writes UF_ flags as they stand and leaves
// accounts disabled). Plain types only: Samba's netapi.h meets the callers.
#pragma once

#include <string>

#include "platform/netapi/netapi_backend.h"

// The user's own change on `server`: a bind as the user with the old
// password, then unicodePwd's old value deleted and the new one added in one
// modification. Netapi codes: ERROR_INVALID_PASSWORD (wrong old password),
// NERR_PasswordTooShort (the policy refused the new one),
// ERROR_ACCOUNT_LOCKED_OUT, ERROR_ACCOUNT_DISABLED, NERR_UserNotFound. A
// modification cut off by the connection (ERROR_NETNAME_DELETED) or its
// time-out (ERROR_SEM_TIMEOUT) may have been made.
DWORD LdapUserChangePassword(const std::string& server, const std::string& user, const std::string& oldPassword,
                             const std::string& newPassword);

// The directory account's session that LdapUserChangePassword opens first,
// opened and closed: 0 when the change could start now.
DWORD LdapUserChangePasswordReady(const std::string& server);

// The record's account state as NetUserSetInfo level 3 writes it, as the
// directory account, in one modification of only what differs:
// UF_ACCOUNTDISABLE into userAccountControl, a clear UF_LOCKOUT as
// lockoutTime 0, a nonzero passwordExpired as pwdLastSet 0.
DWORD LdapUserSetAccountState(const std::string& server, const std::string& user, const CUserRecord& record);
