// The one way the directory layers open and bind an LDAP connection.
#include "platform/ldap/ldap_session.h"

#include <sasl/sasl.h>

#include <cstring>

#include "platform/base/certificate_failure.h"
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

std::string TextOption(LDAP* ld, int option) {
  char* value = nullptr;
  std::string text;
  if (ldap_get_option(ld, option, &value) == LDAP_OPT_SUCCESS && value != nullptr) {
    text = value;
    ldap_memfree(value);
  }
  return text;
}

std::string Seconds(int seconds) { return std::to_string(seconds) + " s"; }

}  // namespace

CLdapSession::~CLdapSession() { Close(); }

void CLdapSession::Close() {
  if (m_ld != nullptr) {
    // The unbind request, too, waits no longer than a connect would.
    m_watch.Start(kLdapConnectSeconds);
    ldap_unbind_ext_s(m_ld, nullptr, nullptr);
    m_watch.Stop();
  }
  m_ld = nullptr;
  m_connectResult.reset();
  m_note.clear();
  m_certificateStatus = 0;
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
  m_host = host;
  m_tls = tls;
  rc = m_watch.Attach(m_ld, kLdapOperationSeconds);
  if (rc != LDAP_OPT_SUCCESS) {
    // Without the watch nothing would bound the handshake: no connection.
    ldap_unbind_ext_s(m_ld, nullptr, nullptr);
    m_ld = nullptr;
    return LDAP_LOCAL_ERROR;
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
    const std::string value = TextOption(nullptr, option);
    if (!value.empty()) ldap_set_option(m_ld, option, value.c_str());
  }
  const int newContext = 0;
  ldap_set_option(m_ld, LDAP_OPT_X_TLS_NEWCTX, &newContext);
  return LDAP_SUCCESS;
}

int CLdapSession::Connect() {
  if (m_ld == nullptr) return LDAP_PARAM_ERROR;
  if (m_connectResult.has_value()) return EnsureConnected();
  Begin(kLdapConnectSeconds);
  const int rc = Finish(ldap_connect(m_ld), kLdapConnectSeconds);
  if (rc != LDAP_SUCCESS && rc != LDAP_TIMEOUT && m_tls) {
    const CCertificateProblem problem = CertificateFailure();
    if (problem.status != 0) {
      m_note = "TLS certificate verification failed: " + problem.reason;
      m_certificateStatus = problem.status;
      SetCertificateFailure("The certificate of " + m_host + " could not be verified: " + problem.reason + ".");
    }
  }
  m_connectResult = rc;
  return rc;
}

int CLdapSession::EnsureConnected() {
  if (m_ld == nullptr) return LDAP_PARAM_ERROR;
  if (!m_connectResult.has_value()) return Connect();
  if (*m_connectResult != LDAP_SUCCESS) return *m_connectResult;
  if (m_watch.Connected()) return LDAP_SUCCESS;
  m_note = "The connection to the server has ended.";
  return LDAP_SERVER_DOWN;
}

void CLdapSession::Begin(int seconds) {
  m_note.clear();
  m_watch.Start(seconds);
}

int CLdapSession::Finish(int rc, int seconds) {
  m_watch.Stop();
  if (rc != LDAP_SUCCESS && (m_watch.Expired() || rc == LDAP_TIMEOUT)) {
    m_note = "The server did not answer within " + Seconds(seconds) + ".";
    return LDAP_TIMEOUT;
  }
  return rc;
}

CCertificateProblem CLdapSession::CertificateFailure() {
  // Only a TCP connection made and then lost in the handshake can be the
  // certificate's doing.
  if (m_watch.PeerLength() == 0) return {};
  CCertificateTrust trust{TextOption(m_ld, LDAP_OPT_X_TLS_CACERTFILE), TextOption(m_ld, LDAP_OPT_X_TLS_CACERTDIR)};
  return CertificateProblem(reinterpret_cast<const sockaddr*>(&m_watch.Peer()), m_watch.PeerLength(), m_host, trust,
                            kLdapConnectSeconds);
}

int CLdapSession::BindNegotiate(unsigned minimumSsf) {
  int rc = EnsureConnected();
  if (rc != LDAP_SUCCESS) return rc;
  ber_len_t ssf = minimumSsf;
  rc = ldap_set_option(m_ld, LDAP_OPT_X_SASL_SSF_MIN, &ssf);
  if (rc != LDAP_OPT_SUCCESS) return rc;
  Begin(kLdapOperationSeconds);
  // Not while libnetapi has the cache variable pointed elsewhere.
  CKerberosBindScope environment;
  return Finish(ldap_sasl_interactive_bind_s(m_ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                             QuietInteraction, nullptr),
                kLdapOperationSeconds);
}

int CLdapSession::BindSimple(const std::string& name, const std::string& password) {
  const int rc = EnsureConnected();
  if (rc != LDAP_SUCCESS) return rc;
  berval secret{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
  Begin(kLdapOperationSeconds);
  return Finish(ldap_sasl_bind_s(m_ld, name.c_str(), LDAP_SASL_SIMPLE, &secret, nullptr, nullptr, nullptr),
                kLdapOperationSeconds);
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
  const int rc = EnsureConnected();
  if (rc != LDAP_SUCCESS) return rc;
  std::vector<char*> names;
  for (const std::string& attribute : attributes) names.push_back(const_cast<char*>(attribute.c_str()));
  names.push_back(nullptr);
  timeval limit{kLdapOperationSeconds, 0};
  Begin(kLdapOperationSeconds);
  return Finish(ldap_search_ext_s(m_ld, base.c_str(), scope, filter.empty() ? nullptr : filter.c_str(),
                                  attributes.empty() ? nullptr : names.data(), 0, serverControls, nullptr, &limit,
                                  LDAP_NO_LIMIT, result),
                kLdapOperationSeconds);
}

int CLdapSession::Modify(const std::string& dn, LDAPMod** modifications, LDAPControl** serverControls) {
  int rc = EnsureConnected();
  if (rc != LDAP_SUCCESS) return rc;
  const std::string within = "within " + Seconds(kLdapOperationSeconds);
  Begin(kLdapOperationSeconds);
  int id = 0;
  rc = ldap_modify_ext(m_ld, dn.c_str(), modifications, serverControls, nullptr, &id);
  if (rc != LDAP_SUCCESS) {
    m_watch.Stop();
    // Not sent whole, so not made: no unknown outcome, even after a time-out.
    if (!m_watch.Expired()) return rc;
    m_note = "The server took no request " + within + ": nothing was changed.";
    return LDAP_SERVER_DOWN;
  }
  timeval limit{kLdapOperationSeconds, 0};
  LDAPMessage* result = nullptr;
  rc = ldap_result(m_ld, id, LDAP_MSG_ALL, &limit, &result);
  if (rc <= 0) {
    const bool late = rc == 0 || m_watch.Expired();
    if (rc == 0) ldap_abandon_ext(m_ld, id, nullptr, nullptr);
    m_watch.Stop();
    m_note = late ? "The change was sent, but the server did not answer " + within + ": whether it was made is unknown."
                  : "The connection ended after the change was sent: whether it was made is unknown.";
    return LDAP_TIMEOUT;
  }
  m_watch.Stop();
  int code = LDAP_OTHER;
  rc = ldap_parse_result(m_ld, result, &code, nullptr, nullptr, nullptr, nullptr, 1);
  return rc != LDAP_SUCCESS ? rc : code;
}

std::string CLdapSession::Diagnostic() const {
  if (!m_note.empty()) return m_note;
  return m_ld == nullptr ? std::string() : TextOption(m_ld, LDAP_OPT_DIAGNOSTIC_MESSAGE);
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
