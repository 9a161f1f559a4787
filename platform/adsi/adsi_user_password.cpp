// The root DSE tells whether the server is an Active Directory and where
// its configuration is; the directory service object there holds
// dSHeuristics.
#include "platform/adsi/adsi_user_password.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/adsi/adsi_ldap_error.h"

namespace {

// LDAP_CAP_ACTIVE_DIRECTORY_OID among the root DSE's supportedCapabilities.
constexpr char kActiveDirectoryCapability[] = "1.2.840.113556.1.4.800";
constexpr char kDirectoryServicePrefix[] = "CN=Directory Service,CN=Windows NT,CN=Services,";
// dSHeuristics' ninth character: userPassword is the password when "1".
constexpr std::size_t kUserPasswordSupport = 8;

constexpr char kRefusal[] =
    "userPassword is not the password on this Active Directory (dSHeuristics does not enable userPassword "
    "support): nothing was written.";

// The values of `attributes` of the one entry at `dn`; the search's result.
int ReadEntry(CLdapSession& session, const std::string& dn, const std::vector<std::string>& attributes,
              std::vector<std::vector<std::string>>& values) {
  values.assign(attributes.size(), {});
  LDAPMessage* result = nullptr;
  const int rc = session.Search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", attributes, nullptr, &result);
  if (rc == LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(session.Handle(), result))
      for (std::size_t i = 0; i < attributes.size(); ++i)
        values[i] = LdapValues(session.Handle(), entry, attributes[i].c_str());
  }
  if (result != nullptr) ldap_msgfree(result);
  return rc;
}

}  // namespace

HRESULT CheckUserPasswordIsThePassword(CLdapSession& session) {
  std::vector<std::vector<std::string>> root;
  int rc = ReadEntry(session, "", {"supportedCapabilities", "configurationNamingContext"}, root);
  if (rc != LDAP_SUCCESS) return AdsLdapFailure(rc, session);
  const std::vector<std::string>& capabilities = root[0];
  if (std::find(capabilities.begin(), capabilities.end(), kActiveDirectoryCapability) == capabilities.end())
    return S_OK;
  if (root[1].empty()) return AdsLdapFailure(LDAP_UNWILLING_TO_PERFORM, kRefusal);

  std::vector<std::vector<std::string>> service;
  rc = ReadEntry(session, kDirectoryServicePrefix + root[1].front(), {"dSHeuristics"}, service);
  // A forest without the object has no dSHeuristics either.
  if (rc != LDAP_SUCCESS && rc != LDAP_NO_SUCH_OBJECT) return AdsLdapFailure(rc, session);
  const std::vector<std::string>& heuristics = service[0];
  if (!heuristics.empty() && heuristics.front().size() > kUserPasswordSupport &&
      heuristics.front()[kUserPasswordSupport] == '1')
    return S_OK;
  return AdsLdapFailure(LDAP_UNWILLING_TO_PERFORM, kRefusal);
}
