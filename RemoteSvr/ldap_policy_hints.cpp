// Whether a domain controller lists the password-policy-hints control. The
// LDAP connection (bind with the service's own credentials, the root DSE's
// supportedControl) is not built yet: every controller is answered "not
// enforceable", which is what an unreachable controller gets as well.
#include "RemoteSvr/ldap_password_client.h"
#include "RemoteSvr/log_file.h"

int CLdapPasswordClient::SupportsPolicyHints() {
  errorText = "Could not connect to LDAP server: Not Supported";
  LogFile().Trace(7, "Password policy check of %s not supported yet", server.c_str());
  return 0;
}
