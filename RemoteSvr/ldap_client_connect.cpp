// The LDAP client's connection: sealed and signed, LDAPv3, bound with the
// service's own credentials; the root DSE tells the domain's base DN and
// which password-policy-hints control the controller lists.
#include "RemoteSvr/ldap_password_client.h"
#include "platform/base/text.h"

namespace {

std::string LastErrorText() { return ldap_err2stringA(LdapGetLastError()); }

}  // namespace

PLDAP CLdapPasswordClient::Connect(const std::string& host, std::string& baseDn, int& controlIndex) {
  controlIndex = -1;
  const std::u16string wideHost = Utf8ToUtf16(host);
  PLDAP ld = ldap_initW(wideHost.c_str(), LDAP_PORT);
  if (ld == nullptr) {
    errorText = "Could not create LDAP connection: " + LastErrorText();
    return nullptr;
  }
  PLDAPMessage result = nullptr;
  const auto fail = [&](const char* what, const std::string& text) -> PLDAP {
    errorText = std::string(what) + text;
    ldap_msgfree(result);
    ldap_unbind(ld);
    return nullptr;
  };

  ULONG rc = ldap_set_optionW(ld, LDAP_OPT_ENCRYPT, LDAP_OPT_ON);
  if (rc == LDAP_SUCCESS) rc = ldap_set_optionW(ld, LDAP_OPT_SIGN, LDAP_OPT_ON);
  if (rc != LDAP_SUCCESS) return fail("Could not secure LDAP connection: ", ldap_err2stringA(rc));
  const ULONG version = LDAP_VERSION3;
  rc = ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  if (rc != LDAP_SUCCESS) return fail("Could not create LDAPv3 connection: ", ldap_err2stringA(rc));
  rc = ldap_connect(ld, nullptr);
  if (rc != LDAP_SUCCESS) return fail("Could not connect to LDAP server: ", ldap_err2stringA(rc));
  rc = ldap_bind_sW(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE);
  if (rc != LDAP_SUCCESS) return fail("Could not authenticate with LDAP server: ", ldap_err2stringA(rc));

  WCHAR namingContext[] = u"defaultNamingContext";
  WCHAR supportedControl[] = u"supportedControl";
  PWCHAR attributes[] = {namingContext, supportedControl, nullptr};
  rc = ldap_search_sW(ld, nullptr, LDAP_SCOPE_BASE, nullptr, attributes, 0, &result);
  if (rc != LDAP_SUCCESS) return fail("Could not retrieve LDAP server details: ", ldap_err2stringA(rc));
  PLDAPMessage rootDse = ldap_first_entry(ld, result);

  PWCHAR* values = ldap_get_valuesW(ld, rootDse, namingContext);
  if (values == nullptr) return fail("Could not locate domain root via LDAP: ", LastErrorText());
  baseDn = ldap_count_valuesW(values) > 0 ? Utf16ToUtf8(values[0]) : "???";
  ldap_value_freeW(values);

  values = ldap_get_valuesW(ld, rootDse, supportedControl);
  if (values == nullptr) return fail("Could not check for password policy controls: ", LastErrorText());
  controlIndex = FindPolicyHintsControl(values);
  ldap_value_freeW(values);
  ldap_msgfree(result);
  return ld;
}
