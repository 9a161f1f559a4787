// Setting a password and unlocking an account in a configured LDAP directory
// through ADSI: the user's one object is found by a subtree search under the
// directory's container on its naming attribute, then one attribute of it
// is replaced. A change sent but not answered is reported as such: it may
// or may not have been made.
#include "RemoteSvr/adsi_access.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "platform/netapi/netapi_ldap.h"
#include "platform/base/wipe.h"

namespace {

constexpr int kLookupTraceLevel = 3;

// The directory's own account when the line gives both name and password;
// else the service's own credentials (and useSsl plays no part).
void UseDirectoryCredentials(CAdsiAccess& access, const CLdapDirectory& directory) {
  if (!directory.username.empty() && !directory.password.empty())
    access.SetCredentials(directory.username.c_str(), directory.password.c_str(), directory.useSsl);
}

// The ADsPath of the one object whose naming attribute is `userName`; 0
// with `errorText` set when the search fails or finds none or several.
int FindUserPath(CAdsiAccess& access, const CLdapDirectory& directory, const std::string& userName,
                 std::string& path, std::string& errorText) {
  // The name comes from a client: escaped, so it cannot widen the filter.
  const std::string filter = "(" + directory.attribute + "=" + EscapeLdapFilterValue(userName) + ")";
  std::vector<std::string> names, values;
  if (!access.Search(directory.container, filter, "ADsPath", names, values, errorText)) return 0;
  bool found = false;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] != "ADsPath") continue;
    if (found) {
      errorText = "Could not uniquely identify the supplied username.";
      return 0;
    }
    path = values[i];
    found = true;
  }
  if (!found) {
    errorText = "Could not locate user in LDAP directory.";
    return 0;
  }
  CLogFile& log = LogFile();
  log.Trace(kLookupTraceLevel, "LDAP Username Lookup");
  log.Trace(kLookupTraceLevel, "--------------------");
  log.Trace(kLookupTraceLevel, "Username .....: %s", userName.c_str());
  log.Trace(kLookupTraceLevel, "Found Path ...: %s", path.c_str());
  log.Trace(kLookupTraceLevel, "%s", "");
  return 1;
}

}  // namespace

int CPwdResetConnection::SetPasswordLdap(const CLdapDirectory& directory, const std::string&,
                                         const std::string& userName, const std::string& newPassword,
                                         std::string& errorText) {
  CAdsiAccess access;
  UseDirectoryCredentials(access, directory);
  std::string path;
  if (!FindUserPath(access, directory, userName, path, errorText)) return 0;
  std::vector<std::string> values{newPassword};
  const int done = access.Modify(path, {"userPassword"}, values, {"update"}, errorText);
  WipeString(values.front());
  if (!done && access.OutcomeUnknown()) errorText = "The password may or may not have changed: " + errorText;
  return done;
}

int CPwdResetConnection::UnlockAccountLdap(const CLdapDirectory& directory, const std::string&,
                                           const std::string& userName, std::string& errorText) {
  CAdsiAccess access;
  UseDirectoryCredentials(access, directory);
  std::string path;
  if (!FindUserPath(access, directory, userName, path, errorText)) return 0;
  const int done = access.Modify(path, {"lockoutTime"}, {"0"}, {"update"}, errorText);
  if (!done && access.OutcomeUnknown()) errorText = "The account may or may not have been unlocked: " + errorText;
  return done;
}
