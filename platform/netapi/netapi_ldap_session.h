// What the netapi backend's LDAP files share: the directory account's
// session to a controller, the status codes for LDAP results, and finding
// a user. Only those files include it (<ldap.h> shares names with Samba's
// netapi.h).
#pragma once

#include <string>
#include <vector>

#include "platform/ldap/ldap_session.h"
#include "platform/base/wintypes.h"

// netapi's status for an LDAP result code.
DWORD NetApiStatusOfLdap(int result);
// netapi's status for `result` of a call on `session`: the certificate's
// own status when the session's connection failed on it (see
// CLdapSession::CertificateStatus), else NetApiStatusOfLdap's.
DWORD NetApiStatusOfSession(const CLdapSession& session, int result);

// A session to `server` (empty: ERROR_BAD_NETPATH) bound as the directory
// account: the CredentialsFile account over ldaps (the certificate and its
// host name verified; one that does not verify answers its trust status),
// else the process's Kerberos credentials in a sealed bind on the plain
// port.
DWORD OpenDirectorySession(CLdapSession& session, const std::string& server);

// A user as the directory holds it.
struct CDirectoryUser {
  std::string namingContext;  // the controller's default naming context
  std::string dn;
  std::vector<std::vector<std::string>> values;  // each attribute's, in the order asked
};

// The user whose sAMAccountName is `user` (escaped into the filter), below
// the controller's default naming context, with the `attributes` asked for.
// NERR_UserNotFound when there is none.
DWORD FindUserEntry(CLdapSession& session, const std::string& user, const std::vector<std::string>& attributes,
                    CDirectoryUser& found);
