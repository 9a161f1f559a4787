// The fixture DC's users over ldaps.
#include "tests/support/dc_directory.h"

#include <cstdlib>
#include <vector>

#include "platform/ldap/ldap_session.h"
#include "platform/base/text.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

// unicodePwd's value: the quoted password in UTF-16 little-endian.
std::string UnicodePwd(const std::string& password) {
  std::string bytes;
  for (const char16_t unit : Utf8ToUtf16("\"" + password + "\"")) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// An ldaps session to the DC bound as `name`; the result code of the bind.
int BindAs(CLdapSession& session, const std::string& name, const std::string& password) {
  const int rc = session.Open(DcSettings().address, LDAPS_PORT, true);
  return rc != LDAP_SUCCESS ? rc : session.BindSimple(name, password);
}

int BindAsAdmin(CLdapSession& session) {
  const CDcSettings& dc = DcSettings();
  return BindAs(session, dc.admin + "@" + dc.dnsDomain, dc.adminPassword);
}

std::int64_t Number(const std::vector<std::string>& values) {
  return values.empty() ? 0 : std::strtoll(values.front().c_str(), nullptr, 10);
}

}  // namespace

const CDcSettings& DcSettings() {
  static const CDcSettings settings{Env("DC_ADDRESS"), Env("DC_FQDN"),  Env("DC_DNS_DOMAIN"),
                                    Env("DC_DOMAIN"),  Env("DC_BASE_DN"), Env("DC_ADMIN"),
                                    Env("DC_ADMIN_PASSWORD"), Env("DC_REGISTRY")};
  return settings;
}

std::string CDcDirectory::UserDn(const std::string& name) { return "CN=" + name + ",CN=Users," + DcSettings().baseDn; }

bool CDcDirectory::CreateUser(const std::string& name, const std::string& password) {
  DeleteUser(name);
  CLdapSession session;
  if (const int rc = BindAsAdmin(session); rc != LDAP_SUCCESS) {
    lastError = std::string("administrator bind: ") + ldap_err2string(rc);
    return false;
  }
  std::string pwd = UnicodePwd(password);
  const std::string upn = name + "@" + DcSettings().dnsDomain;
  char objectClass[] = "objectClass", sam[] = "sAMAccountName", principal[] = "userPrincipalName",
       control[] = "userAccountControl", unicodePwd[] = "unicodePwd";
  char user[] = "user", normal[] = "512";
  char* classValues[] = {user, nullptr};
  char* samValues[] = {const_cast<char*>(name.c_str()), nullptr};
  char* upnValues[] = {const_cast<char*>(upn.c_str()), nullptr};
  char* controlValues[] = {normal, nullptr};
  berval pwdValue{static_cast<ber_len_t>(pwd.size()), pwd.data()};
  berval* pwdValues[] = {&pwdValue, nullptr};
  LDAPMod mods[5]{};
  mods[0].mod_op = LDAP_MOD_ADD, mods[0].mod_type = objectClass, mods[0].mod_values = classValues;
  mods[1].mod_op = LDAP_MOD_ADD, mods[1].mod_type = sam, mods[1].mod_values = samValues;
  mods[2].mod_op = LDAP_MOD_ADD, mods[2].mod_type = principal, mods[2].mod_values = upnValues;
  mods[3].mod_op = LDAP_MOD_ADD, mods[3].mod_type = control, mods[3].mod_values = controlValues;
  mods[4].mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES, mods[4].mod_type = unicodePwd, mods[4].mod_bvalues = pwdValues;
  LDAPMod* list[] = {&mods[0], &mods[1], &mods[2], &mods[3], &mods[4], nullptr};
  const int rc = ldap_add_ext_s(session.Handle(), UserDn(name).c_str(), list, nullptr, nullptr);
  if (rc != LDAP_SUCCESS) lastError = "adding " + name + ": " + ldap_err2string(rc) + " " + session.Diagnostic();
  return rc == LDAP_SUCCESS;
}

void CDcDirectory::DeleteUser(const std::string& name) { DeleteEntry(UserDn(name)); }

void CDcDirectory::DeleteEntry(const std::string& dn) {
  CLdapSession session;
  if (BindAsAdmin(session) == LDAP_SUCCESS) ldap_delete_ext_s(session.Handle(), dn.c_str(), nullptr, nullptr);
}

bool CDcDirectory::CreateGroup(const std::string& name, const std::string& groupType) {
  DeleteEntry(UserDn(name));
  CLdapSession session;
  if (const int rc = BindAsAdmin(session); rc != LDAP_SUCCESS) {
    lastError = std::string("administrator bind: ") + ldap_err2string(rc);
    return false;
  }
  char objectClass[] = "objectClass", sam[] = "sAMAccountName", type[] = "groupType", group[] = "group";
  char* classValues[] = {group, nullptr};
  char* samValues[] = {const_cast<char*>(name.c_str()), nullptr};
  char* typeValues[] = {const_cast<char*>(groupType.c_str()), nullptr};
  LDAPMod mods[3]{};
  mods[0].mod_op = LDAP_MOD_ADD, mods[0].mod_type = objectClass, mods[0].mod_values = classValues;
  mods[1].mod_op = LDAP_MOD_ADD, mods[1].mod_type = sam, mods[1].mod_values = samValues;
  mods[2].mod_op = LDAP_MOD_ADD, mods[2].mod_type = type, mods[2].mod_values = typeValues;
  LDAPMod* list[] = {&mods[0], &mods[1], &mods[2], nullptr};
  const int rc = ldap_add_ext_s(session.Handle(), UserDn(name).c_str(), list, nullptr, nullptr);
  if (rc != LDAP_SUCCESS) lastError = "adding " + name + ": " + ldap_err2string(rc) + " " + session.Diagnostic();
  return rc == LDAP_SUCCESS;
}

bool CDcDirectory::AddMember(const std::string& group, const std::string& memberDn) {
  return Modify(UserDn(group), LDAP_MOD_ADD, "member", memberDn) == LDAP_SUCCESS;
}

int CDcDirectory::Modify(const std::string& dn, int operation, const std::string& attribute,
                         const std::string& value) {
  CLdapSession session;
  int rc = BindAsAdmin(session);
  if (rc != LDAP_SUCCESS) return rc;
  char* values[] = {const_cast<char*>(value.c_str()), nullptr};
  LDAPMod mod{};
  mod.mod_op = operation;
  mod.mod_type = const_cast<char*>(attribute.c_str());
  // Deleting with no value removes every value.
  mod.mod_values = operation == LDAP_MOD_DELETE && value.empty() ? nullptr : values;
  LDAPMod* list[] = {&mod, nullptr};
  rc = ldap_modify_ext_s(session.Handle(), dn.c_str(), list, nullptr, nullptr);
  if (rc != LDAP_SUCCESS) lastError = "modifying " + attribute + ": " + ldap_err2string(rc) + " " + session.Diagnostic();
  return rc;
}

bool CDcDirectory::SetAttribute(const std::string& name, const std::string& attribute, const std::string& value) {
  return Modify(UserDn(name), LDAP_MOD_REPLACE, attribute, value) == LDAP_SUCCESS;
}

bool CDcDirectory::ReadValues(const std::string& dn, const std::string& attribute, std::vector<std::string>& values) {
  values.clear();
  CLdapSession session;
  int rc = BindAsAdmin(session);
  LDAPMessage* result = nullptr;
  LDAPMessage* entry = nullptr;
  if (rc == LDAP_SUCCESS) rc = session.Search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", {attribute}, nullptr, &result);
  if (rc == LDAP_SUCCESS) entry = ldap_first_entry(session.Handle(), result);
  if (entry != nullptr) values = LdapValues(session.Handle(), entry, attribute.c_str());
  if (result != nullptr) ldap_msgfree(result);
  if (entry == nullptr) lastError = "reading " + attribute + " of " + dn + ": " + ldap_err2string(rc);
  return entry != nullptr;
}

bool CDcDirectory::Replace(const std::string& dn, const std::string& attribute, const std::string& value) {
  if (!value.empty()) return Modify(dn, LDAP_MOD_REPLACE, attribute, value) == LDAP_SUCCESS;
  // Removing an attribute that is not there leaves the entry as wanted.
  const int rc = Modify(dn, LDAP_MOD_DELETE, attribute, value);
  return rc == LDAP_SUCCESS || rc == LDAP_NO_SUCH_ATTRIBUTE;
}

bool CDcDirectory::SetDisabled(const std::string& name, bool disabled) {
  const CDcAccount account = ReadAccount(name);
  if (!account.found) return false;
  const std::uint32_t flags = disabled ? account.userAccountControl | 0x2 : account.userAccountControl & ~0x2u;
  return SetAttribute(name, "userAccountControl", std::to_string(flags));
}

CDcAccount CDcDirectory::ReadAccount(const std::string& name) {
  CDcAccount account;
  CLdapSession session;
  if (BindAsAdmin(session) != LDAP_SUCCESS) return account;
  LDAPMessage* result = nullptr;
  if (session.Search(UserDn(name), LDAP_SCOPE_BASE, "(objectClass=user)",
                     {"userAccountControl", "pwdLastSet", "lockoutTime"}, nullptr, &result) == LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(session.Handle(), result)) {
      account.found = true;
      account.userAccountControl =
          static_cast<std::uint32_t>(Number(LdapValues(session.Handle(), entry, "userAccountControl")));
      account.pwdLastSet = Number(LdapValues(session.Handle(), entry, "pwdLastSet"));
      account.lockoutTime = Number(LdapValues(session.Handle(), entry, "lockoutTime"));
    }
  }
  if (result != nullptr) ldap_msgfree(result);
  return account;
}

bool CDcDirectory::CanLogOn(const std::string& name, const std::string& password) {
  CLdapSession session;
  return BindAs(session, name + "@" + DcSettings().dnsDomain, password) == LDAP_SUCCESS;
}

void CDcDirectory::FailLogOns(const std::string& name, int times) {
  for (int i = 0; i < times; ++i) CanLogOn(name, "not-the-password-" + std::to_string(i));
}

