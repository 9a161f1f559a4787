// Setting a password and unlocking an account in a configured LDAP directory
// through ADSI (search the user under the directory's container, then change
// one attribute). Not built yet: both answer the text of a call the
// directory layer cannot make, so the user is told and nothing is changed.
#include "RemoteSvr/common/win32_error_text.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "platform/last_error.h"

int CPwdResetConnection::SetPasswordLdap(const CLdapDirectory&, const std::string&, const std::string&,
                                         const std::string&, std::string& errorText) {
  errorText = CWin32ErrorText(ERROR_NOT_SUPPORTED).text;
  return 0;
}

int CPwdResetConnection::UnlockAccountLdap(const CLdapDirectory&, const std::string&, const std::string&,
                                           std::string& errorText) {
  errorText = CWin32ErrorText(ERROR_NOT_SUPPORTED).text;
  return 0;
}
