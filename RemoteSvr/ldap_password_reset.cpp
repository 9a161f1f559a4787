// The password reset over LDAP ("unicodePwd" with the policy-hints control).
// Not built yet: every reset fails with the LDAP client's own text for an
// operation it cannot do, so the user is told and nothing is changed.
#include "RemoteSvr/ldap_password_client.h"

int CLdapPasswordClient::ResetPassword(const std::string&, const std::string&) {
  errorText = "Could not reset password via LDAP: Not Supported";
  return 0;
}
