// Local groups over LDAP: find the user, read its token groups (or its
// direct memberships), keep the groups whose type marks them local.
#include "platform/netapi_ldap.h"

#include <ldap.h>
#include <sasl/sasl.h>

#include <cstdio>

#include "platform/directory_settings.h"

namespace {

// netapi's codes for what can go wrong here.
constexpr DWORD kAccessDenied = 5;
constexpr DWORD kNotEnoughMemory = 8;
constexpr DWORD kBadNetPath = 53;
constexpr DWORD kLogonFailure = 1326;
constexpr DWORD kInternalError = 2140;
constexpr DWORD kUserNotFound = 2221;

// groupType's bit for local groups: builtin ones and domain-local ones.
constexpr char kLocalGroupFilter[] = "(objectClass=group)(groupType:1.2.840.113556.1.4.803:=4)";
constexpr int kConnectSeconds = 10;
constexpr int kOperationSeconds = 30;

DWORD StatusOf(int result) {
  switch (result) {
    case LDAP_SUCCESS: return 0;
    case LDAP_INVALID_CREDENTIALS: return kLogonFailure;
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_STRONG_AUTH_REQUIRED:
    case LDAP_CONFIDENTIALITY_REQUIRED: return kAccessDenied;
    case LDAP_NO_MEMORY: return kNotEnoughMemory;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
    case LDAP_TIMEOUT: return kBadNetPath;
    default: return kInternalError;
  }
}

// One connection, unbound whatever happens.
class CLdapSession {
 public:
  CLdapSession() = default;
  ~CLdapSession() {
    if (m_ld != nullptr) ldap_unbind_ext_s(m_ld, nullptr, nullptr);
  }
  CLdapSession(const CLdapSession&) = delete;
  CLdapSession& operator=(const CLdapSession&) = delete;

  DWORD Open(const std::string& server) {
    const std::string host = server.find(':') != std::string::npos ? "[" + server + "]" : server;
    if (ldap_initialize(&m_ld, ("ldaps://" + host).c_str()) != LDAP_SUCCESS) return kBadNetPath;
    const int version = LDAP_VERSION3;
    ldap_set_option(m_ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(m_ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    timeval connect{kConnectSeconds, 0}, operation{kOperationSeconds, 0};
    ldap_set_option(m_ld, LDAP_OPT_NETWORK_TIMEOUT, &connect);
    ldap_set_option(m_ld, LDAP_OPT_TIMEOUT, &operation);
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
    return Bind();
  }

  // Searches and hands each entry to `onEntry`; the result is freed after.
  template <class OnEntry>
  DWORD Search(const std::string& base, int scope, const std::string& filter, const char* attribute,
               OnEntry onEntry) {
    char* attributes[] = {const_cast<char*>(attribute), nullptr};
    timeval limit{kOperationSeconds, 0};
    LDAPMessage* result = nullptr;
    const int rc = ldap_search_ext_s(m_ld, base.c_str(), scope, filter.c_str(), attributes, 0, nullptr, nullptr,
                                     &limit, LDAP_NO_LIMIT, &result);
    if (rc != LDAP_SUCCESS) {
      if (result != nullptr) ldap_msgfree(result);
      return StatusOf(rc);
    }
    for (LDAPMessage* entry = ldap_first_entry(m_ld, result); entry != nullptr;
         entry = ldap_next_entry(m_ld, entry)) {
      onEntry(entry);
    }
    ldap_msgfree(result);
    return 0;
  }

  std::string DistinguishedName(LDAPMessage* entry) {
    char* dn = ldap_get_dn(m_ld, entry);
    std::string text = dn != nullptr ? dn : "";
    ldap_memfree(dn);
    return text;
  }

  std::vector<std::string> Values(LDAPMessage* entry, const char* attribute) {
    std::vector<std::string> values;
    berval** found = ldap_get_values_len(m_ld, entry, attribute);
    for (int i = 0; found != nullptr && found[i] != nullptr; ++i) values.emplace_back(found[i]->bv_val, found[i]->bv_len);
    ldap_value_free_len(found);
    return values;
  }

 private:
  static int QuietInteraction(LDAP*, unsigned, void*, void* prompts) {
    for (auto* p = static_cast<sasl_interact_t*>(prompts); p->id != SASL_CB_LIST_END; ++p) {
      p->result = p->defresult != nullptr ? p->defresult : "";
      p->len = static_cast<unsigned>(std::char_traits<char>::length(static_cast<const char*>(p->result)));
    }
    return LDAP_SUCCESS;
  }

  DWORD Bind() {
    CDirectoryCredentials account;
    if (!ReadDirectoryCredentials(account)) {
      const int rc = ldap_sasl_interactive_bind_s(m_ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                                  QuietInteraction, nullptr);
      return StatusOf(rc);
    }
    // An account without a domain or realm of its own is the domain's.
    std::string name = account.userName;
    if (name.find('@') == std::string::npos && name.find('\\') == std::string::npos && !account.domain.empty())
      name = account.domain + "\\" + name;
    berval password{static_cast<ber_len_t>(account.password.size()), account.password.data()};
    return StatusOf(ldap_sasl_bind_s(m_ld, name.c_str(), LDAP_SASL_SIMPLE, &password, nullptr, nullptr, nullptr));
  }

  LDAP* m_ld = nullptr;
};

// A binary value (a SID) for a filter: every byte escaped.
std::string EscapeBinary(const std::string& value) {
  std::string out;
  char hex[4];
  for (const unsigned char c : value) {
    std::snprintf(hex, sizeof hex, "\\%02x", c);
    out += hex;
  }
  return out;
}

}  // namespace

std::string EscapeLdapFilterValue(const std::string& value) {
  std::string out;
  char hex[4];
  for (const unsigned char c : value) {
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
      std::snprintf(hex, sizeof hex, "\\%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

DWORD LdapUserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                             std::vector<std::string>& groups) {
  if (server.empty()) return kBadNetPath;
  CLdapSession session;
  DWORD status = session.Open(server);
  if (status != 0) return status;

  std::string namingContext;
  status = session.Search("", LDAP_SCOPE_BASE, "(objectClass=*)", "defaultNamingContext", [&](LDAPMessage* entry) {
    const auto values = session.Values(entry, "defaultNamingContext");
    if (!values.empty()) namingContext = values.front();
  });
  if (status != 0) return status;
  if (namingContext.empty()) return kInternalError;

  std::string userDn;
  status = session.Search(namingContext, LDAP_SCOPE_SUBTREE,
                          "(&(objectClass=user)(sAMAccountName=" + EscapeLdapFilterValue(user) + "))", "1.1",
                          [&](LDAPMessage* entry) {
                            if (userDn.empty()) userDn = session.DistinguishedName(entry);
                          });
  if (status != 0) return status;
  if (userDn.empty()) return kUserNotFound;

  // Which groups to keep: every SID of the user's token, or the direct
  // memberships.
  std::string members;
  if (indirect) {
    status = session.Search(userDn, LDAP_SCOPE_BASE, "(objectClass=*)", "tokenGroups", [&](LDAPMessage* entry) {
      for (const std::string& sid : session.Values(entry, "tokenGroups")) members += "(objectSid=" + EscapeBinary(sid) + ")";
    });
    if (status != 0) return status;
    if (members.empty()) return 0;
    members = "(|" + members + ")";
  } else {
    members = "(member=" + EscapeLdapFilterValue(userDn) + ")";
  }
  return session.Search(namingContext, LDAP_SCOPE_SUBTREE, std::string("(&") + kLocalGroupFilter + members + ")",
                        "sAMAccountName", [&](LDAPMessage* entry) {
                          const auto names = session.Values(entry, "sAMAccountName");
                          if (!names.empty()) groups.push_back(names.front());
                        });
}
