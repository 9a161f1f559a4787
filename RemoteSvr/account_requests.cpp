// REQUEST_SET_PASSWORD and REQUEST_UNLOCK_ACCOUNT: served only for users
// looked up successfully on the connection; a new password passes the
// rule engine first; then the directory's operation for the record's own
// domain: ADSI for an LDAP_DIRECTORY, the LDAP client for a controller that
// takes the policy control, else the network-user interface.
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/ldap_password_client.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/question_file.h"
#include "RemoteSvr/request_handling.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"
#include "rules/rule_engine.h"

namespace {

void TraceRequest(const char* heading, const std::string& domain, const std::string& userName) {
  CLogFile& log = LogFile();
  log.Trace(REQUEST_TRACE_LEVEL, "%s", heading);
  log.Trace(REQUEST_TRACE_LEVEL, "    Domain ....: %s", domain.c_str());
  log.Trace(REQUEST_TRACE_LEVEL, "    Username ..: %s", userName.c_str());
}

void TraceError(const std::string& message) {
  LogFile().Trace(REQUEST_TRACE_LEVEL, "    Error .....: %s", message.c_str());
}

}  // namespace

int CPwdResetConnection::IsLookedUpUser(const PwdResetRecord& record, std::string& message) const {
  const std::string_view domain = RecordText(record.domain);
  const std::string_view userName = RecordText(record.userName);
  if (HasInvalidUser(record)) {
    message = INVALID_USER_TEXT;
    return 0;
  }
  // The key as a lookup builds it: the domain through the alias lines.
  std::string userKey = UserKey(domain, userName);
  const std::string directory = ReadDatabaseDirectory();
  if (!directory.empty()) userKey = UserKey(MappedDomain(DatabaseFilePath(directory), domain), userName);
  if (lookedUpUsers.count(LowerCase(userKey)) != 0) return 1;
  message = "Request refused for " + userKey + ": the user was not looked up on this connection";
  return 0;
}

void CPwdResetConnection::SetPassword(PwdResetRecord& record) {
  const std::string domain(RecordText(record.domain));
  const std::string userName(RecordText(record.userName));
  std::string newPassword(RecordText(record.newPassword));
  CWipeOnExit<char> wipePassword(newPassword);
  WipeSecretFields(record);
  TraceRequest("Set password", domain, userName);
  record.result = RESULT_FAILURE;

  std::string message;
  if (!IsLookedUpUser(record, message)) {
    SetReplyText(record, message);
    TraceError(message);
    return;
  }
  if (!EnforcePasswordRules(nullptr, userName, "", domain, newPassword, "", message)) {
    SetReplyText(record, message);
    TraceError(message);
    return;
  }
  message.clear();

  const CDatabaseSettings& settings = CDatabaseSettings::Instance();
  int done = 0;
  if (const CLdapDirectory* directory = settings.FindLdapDirectory(domain.c_str())) {
    done = SetPasswordLdap(*directory, domain, userName, newPassword, message);
  } else if (settings.IsPolicyEnforceable(domain.c_str())) {
    const std::u16string* controller = settings.GetDomainController(domain.c_str());
    CLdapPasswordClient client(controller != nullptr ? Utf16ToUtf8(*controller) : std::string(), "sAMAccountName");
    done = client.ResetPassword(userName, newPassword);
    if (!done) message = client.errorText;
  } else {
    done = SetPasswordNetUser(domain, userName, newPassword, message);
  }
  // A password that changed is reported as changed; an operation's text
  // beside a success names a later step that failed.
  record.result = done ? RESULT_SUCCESS : RESULT_FAILURE;
  SetReplyText(record, done && message.empty() ? std::string("Password changed") : message);
  if (!message.empty()) TraceError(message);
}

void CPwdResetConnection::UnlockAccount(PwdResetRecord& record) {
  const std::string domain(RecordText(record.domain));
  const std::string userName(RecordText(record.userName));
  WipeSecretFields(record);
  TraceRequest("Unlock account", domain, userName);
  record.result = RESULT_FAILURE;

  std::string message;
  int done = 0;
  if (IsLookedUpUser(record, message)) {
    if (const CLdapDirectory* directory = CDatabaseSettings::Instance().FindLdapDirectory(domain.c_str())) {
      done = UnlockAccountLdap(*directory, domain, userName, message);
    } else {
      done = UnlockAccountNetUser(domain, userName, message);
    }
  }
  record.result = done ? RESULT_SUCCESS : RESULT_FAILURE;
  if (!done) TraceError(message);
  SetReplyText(record, done ? std::string("Account unlocked") : message);
}
