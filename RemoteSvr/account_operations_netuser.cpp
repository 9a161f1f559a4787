// Setting a password and unlocking an account through the network-user
// interface, on the domain's controller from the settings. Not built yet:
// both answer the interface's own text for a call it cannot make, so the
// user is told and no account is touched.
#include "RemoteSvr/common/win32_error_text.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "platform/last_error.h"

int CPwdResetConnection::SetPasswordNetUser(const std::string&, const std::string&, const std::string&,
                                            std::string& errorText) {
  errorText = CWin32ErrorText(ERROR_NOT_SUPPORTED).text;
  return 0;
}

int CPwdResetConnection::UnlockAccountNetUser(const std::string&, const std::string&, std::string& errorText) {
  errorText = CWin32ErrorText(ERROR_NOT_SUPPORTED).text;
  return 0;
}
