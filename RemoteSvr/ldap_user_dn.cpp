// The one entry whose naming attribute holds the user name. The name is
// escaped for the filter, so "*" or ")(" in it cannot widen the search.
#include "RemoteSvr/ldap_password_client.h"
#include "platform/netapi/netapi_ldap.h"
#include "platform/base/text.h"

int CLdapPasswordClient::FindUserDn(PLDAP connection, const std::string& baseDn, const std::string& userName,
                                    const std::string& namingAttribute, std::string& dn) {
  std::u16string base = Utf8ToUtf16(baseDn);
  std::u16string filter = Utf8ToUtf16("(" + namingAttribute + "=" + EscapeLdapFilterValue(userName) + ")");
  WCHAR distinguishedName[] = u"distinguishedName";
  PWCHAR attributes[] = {distinguishedName, nullptr};
  PLDAPMessage result = nullptr;
  const ULONG rc =
      ldap_search_sW(connection, base.data(), LDAP_SCOPE_SUBTREE, filter.data(), attributes, 0, &result);
  if (rc != LDAP_SUCCESS) {
    errorText = std::string("Could not search for user in LDAP: ") + ldap_err2stringA(rc);
    ldap_msgfree(result);
    return 0;
  }
  int found = 0;
  const ULONG entries = ldap_count_entries(connection, result);
  if (entries == 0) {
    errorText = "User not found.";
  } else if (entries > 1) {
    errorText = "User not found (" + std::to_string(entries) + " results from search).";
  } else if (PWCHAR* values = ldap_get_valuesW(connection, ldap_first_entry(connection, result), distinguishedName);
             values == nullptr) {
    errorText = "ldap_get_values(distinguishedName) failed: " + std::to_string(LdapGetLastError());
  } else {
    const ULONG count = ldap_count_valuesW(values);
    if (count == 0) {
      errorText = "User distinguished name not found.";
    } else if (count > 1) {
      errorText = "User distinguished name not found (" + std::to_string(count) + " values returned).";
    } else {
      dn = Utf16ToUtf8(values[0]);
      found = 1;
    }
    ldap_value_freeW(values);
  }
  ldap_msgfree(result);
  return found;
}
