// A password reset over LDAP: connect, find the user's entry, replace its
// unicodePwd; the connection is closed once on every path.
#include "RemoteSvr/ldap_password_client.h"

int CLdapPasswordClient::ResetPassword(const std::string& userName, const std::string& newPassword) {
  std::string baseDn;
  int controlIndex = -1;
  PLDAP ld = Connect(server, baseDn, controlIndex);
  if (ld == nullptr) return 0;
  std::string dn;
  if (!FindUserDn(ld, baseDn, userName, attribute, dn)) {
    ldap_unbind(ld);
    return 0;
  }
  const int done = SetUnicodePwd(ld, dn, newPassword, controlIndex);
  ldap_unbind(ld);
  return done;
}
