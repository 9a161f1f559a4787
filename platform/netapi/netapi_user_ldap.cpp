// A user's own password change and the level-3 account state over LDAP:
// the directory account finds the user; the change binds as the user.
#include "platform/netapi/netapi_user_ldap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/netapi/netapi_ldap.h"
#include "platform/netapi/netapi_ldap_session.h"
#include "platform/ldap/unicode_pwd.h"
#include "platform/base/wipe.h"

namespace {

constexpr DWORD kAccessDenied = 5;
constexpr DWORD kNotEnoughMemory = 8;
constexpr DWORD kNetNameDeleted = 64;
constexpr DWORD kSemTimeout = 121;
constexpr DWORD kInvalidPassword = 86;
constexpr DWORD kLogonFailure = 1326;
constexpr DWORD kAccountDisabled = 1331;
constexpr DWORD kAccountExpired = 1793;
constexpr DWORD kAccountLockedOut = 1909;
constexpr DWORD kInternalError = 2140;
constexpr DWORD kPasswordTooShort = 2245;

constexpr DWORD kUfAccountDisable = 0x0002;
constexpr DWORD kUfLockout = 0x0010;

// The Windows error code that an Active Directory controller puts in its
// diagnostic text: "... data 52e, ..." after a bind, a leading "0000052D:"
// after a modification. 0 when there is none.
unsigned long BindErrorOf(const std::string& diagnostic) {
  const std::size_t at = diagnostic.find("data ");
  return at == std::string::npos ? 0 : std::strtoul(diagnostic.c_str() + at + 5, nullptr, 16);
}

unsigned long ModifyErrorOf(const std::string& diagnostic) {
  if (diagnostic.size() < 9 || diagnostic[8] != ':') return 0;
  const std::string digits = diagnostic.substr(0, 8);
  char* end = nullptr;
  const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
  return end != nullptr && *end == '\0' ? code : 0;
}

// What a refused bind as the user says about the account; 0 when the old
// password was right and only the account's state stopped the logon (the
// password must be changed, or has expired), which a change may cure.
DWORD StatusOfUserBind(const CLdapSession& session, int rc) {
  if (rc != LDAP_INVALID_CREDENTIALS) return NetApiStatusOfSession(session, rc);
  switch (BindErrorOf(session.Diagnostic())) {
    case 0x52e: return kInvalidPassword;  // wrong password
    case 0x775: return kAccountLockedOut;
    case 0x533: return kAccountDisabled;
    case 0x701: return kAccountExpired;
    case 0x532:                           // password expired
    case 0x773: return 0;                 // must change the password
    default: return kLogonFailure;
  }
}

// A modification sent when the connection broke or the answer did not come
// may have been made: netapi's codes for a call cut off midway, not the
// ones for a controller never reached.
DWORD StatusOfModify(int rc) {
  if (rc == LDAP_SERVER_DOWN) return kNetNameDeleted;
  if (rc == LDAP_TIMEOUT) return kSemTimeout;
  return NetApiStatusOfLdap(rc);
}

DWORD StatusOfChange(int rc, const std::string& diagnostic) {
  if (rc == LDAP_SUCCESS) return 0;
  const unsigned long code = ModifyErrorOf(diagnostic);
  if (code == 0x56 || code == 0x52b) return kInvalidPassword;  // the old value did not match
  if (code == 0x775) return kAccountLockedOut;
  if (rc == LDAP_CONSTRAINT_VIOLATION || rc == LDAP_UNWILLING_TO_PERFORM) return kPasswordTooShort;
  if (rc == LDAP_INSUFFICIENT_ACCESS) return kAccessDenied;
  return StatusOfModify(rc);
}

// One attribute's replacement by one text value.
struct CReplacement {
  std::string attribute;
  std::string value;
};

int ReplaceAll(CLdapSession& session, const std::string& dn, std::vector<CReplacement>& changes) {
  std::vector<LDAPMod> mods(changes.size());
  std::vector<char*> values(changes.size() * 2, nullptr);
  std::vector<LDAPMod*> list;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    values[2 * i] = changes[i].value.data();
    mods[i].mod_op = LDAP_MOD_REPLACE;
    mods[i].mod_type = changes[i].attribute.data();
    mods[i].mod_values = &values[2 * i];
    list.push_back(&mods[i]);
  }
  list.push_back(nullptr);
  return session.Modify(dn, list.data(), nullptr);
}

long long Number(const std::vector<std::string>& values) {
  return values.empty() ? 0 : std::strtoll(values.front().c_str(), nullptr, 10);
}

}  // namespace

DWORD LdapUserChangePassword(const std::string& server, const std::string& user, const std::string& oldPassword,
                             const std::string& newPassword) {
  CLdapSession directory;
  DWORD status = OpenDirectorySession(directory, server);
  if (status != 0) return status;
  CDirectoryUser found;
  status = FindUserEntry(directory, user, {}, found);
  if (status != 0) return status;

  std::string oldValue, newValue;
  CWipeOnExit<char> wipeOld(oldValue), wipeNew(newValue);
  if (!UnicodePwdValue(oldPassword, oldValue) || !UnicodePwdValue(newPassword, newValue)) return kNotEnoughMemory;

  // As the user, so the controller weighs the old password as a logon.
  CLdapSession asUser;
  int rc = asUser.Open(server, LDAPS_PORT, true);
  if (rc == LDAP_SUCCESS) rc = asUser.BindSimple(found.dn, oldPassword);
  CLdapSession* changer = &asUser;
  if (rc != LDAP_SUCCESS) {
    status = StatusOfUserBind(asUser, rc);
    if (status != 0) return status;
    // A password that must be changed lets nobody log on with it; the
    // change itself still proves the old one, so the directory account's
    // session carries it.
    changer = &directory;
  }

  char attribute[] = "unicodePwd";
  berval oldBer{static_cast<ber_len_t>(oldValue.size()), oldValue.data()};
  berval newBer{static_cast<ber_len_t>(newValue.size()), newValue.data()};
  berval* oldValues[] = {&oldBer, nullptr};
  berval* newValues[] = {&newBer, nullptr};
  LDAPMod remove{}, add{};
  remove.mod_op = LDAP_MOD_DELETE | LDAP_MOD_BVALUES;
  remove.mod_type = attribute;
  remove.mod_bvalues = oldValues;
  add.mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES;
  add.mod_type = attribute;
  add.mod_bvalues = newValues;
  LDAPMod* list[] = {&remove, &add, nullptr};
  rc = changer->Modify(found.dn, list, nullptr);
  return StatusOfChange(rc, changer->Diagnostic());
}

DWORD LdapUserChangePasswordReady(const std::string& server) {
  CLdapSession directory;
  const DWORD status = OpenDirectorySession(directory, server);
  if (status != 0) return status;
  // The user's own bind goes over ldaps whatever the directory account's
  // session does: its handshake and the certificate's check, now.
  CLdapSession asUser;
  int rc = asUser.Open(server, LDAPS_PORT, true);
  if (rc == LDAP_SUCCESS) rc = asUser.Connect();
  return NetApiStatusOfSession(asUser, rc);
}

DWORD LdapUserSetAccountState(const std::string& server, const std::string& user, const CUserRecord& record) {
  CLdapSession session;
  DWORD status = OpenDirectorySession(session, server);
  if (status != 0) return status;
  CDirectoryUser found;
  status = FindUserEntry(session, user, {"userAccountControl", "lockoutTime", "pwdLastSet"}, found);
  if (status != 0) return status;
  if (found.values.size() != 3 || found.values[0].empty()) return kInternalError;

  const auto control = static_cast<unsigned long>(Number(found.values[0]));
  const long long lockoutTime = Number(found.values[1]);
  const long long pwdLastSet = Number(found.values[2]);
  std::vector<CReplacement> changes;
  const unsigned long wantedControl =
      (record.flags & kUfAccountDisable) != 0 ? (control | kUfAccountDisable) : (control & ~kUfAccountDisable);
  // A 32-bit signed number in the directory.
  if (wantedControl != control) {
    changes.push_back({"userAccountControl", std::to_string(static_cast<std::int32_t>(wantedControl))});
  }
  if ((record.flags & kUfLockout) == 0 && lockoutTime != 0) changes.push_back({"lockoutTime", "0"});
  if (record.passwordExpired != 0 && pwdLastSet != 0) changes.push_back({"pwdLastSet", "0"});
  if (changes.empty()) return 0;
  return StatusOfModify(ReplaceAll(session, found.dn, changes));
}
