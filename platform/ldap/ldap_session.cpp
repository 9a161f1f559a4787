// The one way the directory layers open and bind an LDAP connection.
#include "platform/ldap/ldap_session.h"

#include <sasl/sasl.h>

#include <cstring>

#include "platform/ldap/directory_settings.h"
#include "platform/ldap/kerberos_environment.h"

namespace {

// Answers every SASL prompt with its default: the Kerberos credentials
// need no answer, and nothing may wait for a user.
int QuietInteraction(LDAP*, unsigned, void*, void* prompts) {
  for (auto* p = static_cast<sasl_interact_t*>(prompts); p->id != SASL_CB_LIST_END; ++p) {
    p->result = p->defresult != nullptr ? p->defresult : "";
    p->len = static_cast<unsigned>(std::strlen(static_cast<const char*>(p->result)));
  }
  return LDAP_SUCCESS;
}

}  // namespace

CLdapSession::~CLdapSession() { Close(); }

void CLdapSession::Close() {
  if (m_ld != nullptr) ldap_unbind_ext_s(m_ld, nullptr, nullptr);
  m_ld = nullptr;
}

int CLdapSession::Open(const std::string& host, int port, bool tls) {
  Close();
  if (host.empty()) return LDAP_PARAM_ERROR;
  const std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  const std::string uri = (tls ? "ldaps://" : "ldap://") + name + ":" + std::to_string(port);
  int rc = ldap_initialize(&m_ld, uri.c_str());
  if (rc != LDAP_SUCCESS) {
    m_ld = nullptr;
    return rc;
  }
  const int version = LDAP_VERSION3;
  ldap_set_option(m_ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(m_ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  timeval connect{kLdapConnectSeconds, 0}, operation{kLdapOperationSeconds, 0};
  ldap_set_option(m_ld, LDAP_OPT_NETWORK_TIMEOUT, &connect);
  ldap_set_option(m_ld, LDAP_OPT_TIMEOUT, &operation);
  // The Kerberos principal is the name as given: no reverse lookup that
  // would turn the controller into "localhost".
  ldap_set_option(m_ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
  // Whatever the environment says, the certificate is checked. A handle's
  // own TLS context starts without the trust settings that ldap.conf or
  // LDAPTLS_CACERT gave the library, so they are carried over.
  const int demand = LDAP_OPT_X_TLS_DEMAND;
  ldap_set_option(m_ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
  for (const int option : {LDAP_OPT_X_TLS_CACERTFILE, LDAP_OPT_X_TLS_CACERTDIR}) {
    char* value = nullptr;
    if (ldap_get_option(nullptr, option, &value) == LDAP_OPT_SUCCESS && value != nullptr) {
      ldap_set_option(m_ld, option, value);
      ldap_memfree(value);
    }
  }
  const int newContext = 0;
  ldap_set_option(m_ld, LDAP_OPT_X_TLS_NEWCTX, &newContext);
  return LDAP_SUCCESS;
}

int CLdapSession::Connect() { return m_ld == nullptr ? LDAP_PARAM_ERROR : ldap_connect(m_ld); }

int CLdapSession::BindNegotiate(unsigned minimumSsf) {
  if (m_ld == nullptr) return LDAP_PARAM_ERROR;
  ber_len_t ssf = minimumSsf;
  const int rc = ldap_set_option(m_ld, LDAP_OPT_X_SASL_SSF_MIN, &ssf);
  if (rc != LDAP_OPT_SUCCESS) return rc;
  // Not while libnetapi has the cache variable pointed elsewhere.
  CKerberosBindScope environment;
  return ldap_sasl_interactive_bind_s(m_ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET, QuietInteraction,
                                      nullptr);
}

int CLdapSession::BindSimple(const std::string& name, const std::string& password) {
  if (m_ld == nullptr) return LDAP_PARAM_ERROR;
  berval secret{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
  return ldap_sasl_bind_s(m_ld, name.c_str(), LDAP_SASL_SIMPLE, &secret, nullptr, nullptr, nullptr);
}

int CLdapSession::BindDirectoryAccount() {
  CDirectoryCredentials account;
  if (!ReadDirectoryCredentials(account)) return BindNegotiate(0);
  std::string name = account.userName;
  if (name.find('@') == std::string::npos && name.find('\\') == std::string::npos && !account.domain.empty())
    name = account.domain + "\\" + name;
  return BindSimple(name, account.password);
}

int CLdapSession::Search(const std::string& base, int scope, const std::string& filter,
                         const std::vector<std::string>& attributes, LDAPControl** serverControls,
                         LDAPMessage** result) {
  *result = nullptr;
  if (m_ld == nullptr) return LDAP_PARAM_ERROR;
  std::vector<char*> names;
  for (const std::string& attribute : attributes) names.push_back(const_cast<char*>(attribute.c_str()));
  names.push_back(nullptr);
  timeval limit{kLdapOperationSeconds, 0};
  return ldap_search_ext_s(m_ld, base.c_str(), scope, filter.empty() ? nullptr : filter.c_str(),
                           attributes.empty() ? nullptr : names.data(), 0, serverControls, nullptr, &limit,
                           LDAP_NO_LIMIT, result);
}

int CLdapSession::Modify(const std::string& dn, LDAPMod** modifications, LDAPControl** serverControls) {
  if (m_ld == nullptr) return LDAP_PARAM_ERROR;
  int id = 0;
  int rc = ldap_modify_ext(m_ld, dn.c_str(), modifications, serverControls, nullptr, &id);
  if (rc != LDAP_SUCCESS) return rc;
  timeval limit{kLdapOperationSeconds, 0};
  LDAPMessage* result = nullptr;
  rc = ldap_result(m_ld, id, LDAP_MSG_ALL, &limit, &result);
  if (rc == 0) {
    ldap_abandon_ext(m_ld, id, nullptr, nullptr);
    return LDAP_TIMEOUT;
  }
  if (rc < 0) {
    int code = LDAP_OTHER;
    ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &code);
    return code;
  }
  int code = LDAP_OTHER;
  rc = ldap_parse_result(m_ld, result, &code, nullptr, nullptr, nullptr, nullptr, 1);
  return rc != LDAP_SUCCESS ? rc : code;
}

std::string CLdapSession::Diagnostic() const {
  if (m_ld == nullptr) return std::string();
  char* message = nullptr;
  std::string text;
  if (ldap_get_option(m_ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &message) == LDAP_OPT_SUCCESS && message != nullptr) {
    text = message;
    ldap_memfree(message);
  }
  return text;
}

std::vector<std::string> LdapValues(LDAP* ld, LDAPMessage* entry, const char* attribute) {
  std::vector<std::string> values;
  berval** found = ldap_get_values_len(ld, entry, attribute);
  for (int i = 0; found != nullptr && found[i] != nullptr; ++i) values.emplace_back(found[i]->bv_val, found[i]->bv_len);
  ldap_value_free_len(found);
  return values;
}

std::string LdapEntryDn(LDAP* ld, LDAPMessage* entry) {
  char* dn = ldap_get_dn(ld, entry);
  std::string text = dn != nullptr ? dn : "";
  ldap_memfree(dn);
  return text;
}
