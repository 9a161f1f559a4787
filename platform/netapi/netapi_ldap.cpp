// A user's groups over LDAP: find the user, then for the global groups its
// primary group and the global and universal security groups that list it
// as a member, for the local groups its token groups (or its direct
// memberships) of a type that marks them local.
#include "platform/netapi/netapi_ldap.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ldap/directory_settings.h"
#include "platform/ldap/ldap_session.h"
#include "platform/netapi/netapi_ldap_session.h"

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
// The groups that netapi calls global: groupType exactly a global or a
// universal security group (0x80000002, 0x80000008 as signed numbers), as
// a controller's SAM answers; distribution groups are none.
constexpr char kGlobalGroupFilter[] = "(objectClass=group)(|(groupType=-2147483646)(groupType=-2147483640))";

// A connection over ldaps with the directory account, and searches that
// hand each entry on.
class CGroupSession {
 public:
  DWORD Open(const std::string& server) { return OpenDirectorySession(m_session, server); }

  // Searches and hands each entry to `onEntry`; the result is freed after.
  template <class OnEntry>
  DWORD Search(const std::string& base, int scope, const std::string& filter, const char* attribute,
               OnEntry onEntry) {
    LDAPMessage* result = nullptr;
    const int rc = m_session.Search(base, scope, filter, {attribute}, nullptr, &result);
    if (rc == LDAP_SUCCESS) {
      for (LDAPMessage* entry = ldap_first_entry(Handle(), result); entry != nullptr;
           entry = ldap_next_entry(Handle(), entry)) {
        onEntry(entry);
      }
    }
    if (result != nullptr) ldap_msgfree(result);
    return NetApiStatusOfSession(m_session, rc);
  }

  CLdapSession& Session() { return m_session; }

  std::string DistinguishedName(LDAPMessage* entry) { return LdapEntryDn(Handle(), entry); }
  std::vector<std::string> Values(LDAPMessage* entry, const char* attribute) {
    return LdapValues(Handle(), entry, attribute);
  }

 private:
  LDAP* Handle() const { return m_session.Handle(); }
  CLdapSession m_session;
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

// The SID of the user's primary group: the user's own SID (its binary form:
// revision, count of sub-authorities, 6 bytes of authority, then each
// sub-authority little-endian) with its last sub-authority, the RID,
// replaced by primaryGroupID. Empty when the SID is not well formed.
std::string PrimaryGroupSid(const std::string& userSid, unsigned long groupRid) {
  if (userSid.size() < 8) return {};
  const std::size_t subAuthorities = static_cast<unsigned char>(userSid[1]);
  if (subAuthorities == 0 || userSid.size() != 8 + 4 * subAuthorities) return {};
  std::string sid = userSid.substr(0, userSid.size() - 4);
  for (int shift = 0; shift < 32; shift += 8) sid += static_cast<char>((groupRid >> shift) & 0xFF);
  return sid;
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

DWORD NetApiStatusOfLdap(int result) {
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
    case LDAP_NO_SUCH_OBJECT: return kUserNotFound;
    default: return kInternalError;
  }
}

DWORD NetApiStatusOfSession(const CLdapSession& session, int result) {
  if (result != LDAP_SUCCESS && session.CertificateStatus() != 0) return session.CertificateStatus();
  return NetApiStatusOfLdap(result);
}

std::string StripUncPrefix(const std::string& server) {
  return server.rfind("\\\\", 0) == 0 ? server.substr(2) : server;
}

DWORD OpenDirectorySession(CLdapSession& session, const std::string& server) {
  if (server.empty()) return kBadNetPath;
  // The account of the credentials file binds over ldaps. The process's
  // Kerberos credentials cannot: the controller takes no SASL security
  // layer inside TLS, and no Kerberos bind without one. They bind sealed on
  // the plain port, where Kerberos proves the controller's identity.
  bool withAccount = false;
  {
    CDirectoryCredentials account;
    withAccount = ReadDirectoryCredentials(account);
  }
  int rc = session.Open(server, withAccount ? LDAPS_PORT : LDAP_PORT, withAccount);
  if (rc == LDAP_SUCCESS) rc = withAccount ? session.BindDirectoryAccount() : session.BindNegotiate(kLdapSealedSsf);
  return NetApiStatusOfSession(session, rc);
}

DWORD FindUserEntry(CLdapSession& session, const std::string& user, const std::vector<std::string>& attributes,
                    CDirectoryUser& found) {
  found = CDirectoryUser();
  LDAPMessage* result = nullptr;
  int rc = session.Search("", LDAP_SCOPE_BASE, "(objectClass=*)", {"defaultNamingContext"}, nullptr, &result);
  std::string namingContext;
  if (rc == LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(session.Handle(), result)) {
      const auto names = LdapValues(session.Handle(), entry, "defaultNamingContext");
      if (!names.empty()) namingContext = names.front();
    }
  }
  if (result != nullptr) ldap_msgfree(result);
  result = nullptr;
  if (rc != LDAP_SUCCESS) return NetApiStatusOfSession(session, rc);
  if (namingContext.empty()) return kInternalError;

  rc = session.Search(namingContext, LDAP_SCOPE_SUBTREE,
                      "(&(objectClass=user)(sAMAccountName=" + EscapeLdapFilterValue(user) + "))",
                      attributes.empty() ? std::vector<std::string>{"1.1"} : attributes, nullptr, &result);
  if (rc == LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(session.Handle(), result)) {
      found.dn = LdapEntryDn(session.Handle(), entry);
      for (const std::string& attribute : attributes)
        found.values.push_back(LdapValues(session.Handle(), entry, attribute.c_str()));
    }
  }
  if (result != nullptr) ldap_msgfree(result);
  if (rc != LDAP_SUCCESS) return NetApiStatusOfSession(session, rc);
  if (found.dn.empty()) return kUserNotFound;
  found.namingContext = namingContext;
  return 0;
}

DWORD LdapUserGetGroups(const std::string& server, const std::string& user, std::vector<std::string>& groups) {
  if (server.empty()) return kBadNetPath;
  CGroupSession session;
  DWORD status = session.Open(server);
  if (status != 0) return status;

  CDirectoryUser found;
  status = FindUserEntry(session.Session(), user, {"objectSid", "primaryGroupID"}, found);
  if (status != 0) return status;
  const auto& sids = found.values[0];
  const auto& primary = found.values[1];
  const auto keepName = [&](LDAPMessage* entry) {
    const auto names = session.Values(entry, "sAMAccountName");
    if (!names.empty()) groups.push_back(names.front());
  };

  // The primary group first, as the SAM lists it, whatever its type: no
  // member value names it.
  if (!sids.empty() && !primary.empty()) {
    const std::string groupSid = PrimaryGroupSid(sids.front(), std::strtoul(primary.front().c_str(), nullptr, 10));
    if (!groupSid.empty()) {
      status = session.Search(found.namingContext, LDAP_SCOPE_SUBTREE,
                              "(&(objectClass=group)(objectSid=" + EscapeBinary(groupSid) + "))",
                              "sAMAccountName", keepName);
      if (status != 0) return status;
    }
  }
  return session.Search(found.namingContext, LDAP_SCOPE_SUBTREE,
                        std::string("(&") + kGlobalGroupFilter + "(member=" + EscapeLdapFilterValue(found.dn) + "))",
                        "sAMAccountName", keepName);
}

DWORD LdapUserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                             std::vector<std::string>& groups) {
  if (server.empty()) return kBadNetPath;
  CGroupSession session;
  DWORD status = session.Open(server);
  if (status != 0) return status;

  CDirectoryUser found;
  status = FindUserEntry(session.Session(), user, {}, found);
  if (status != 0) return status;
  const std::string& userDn = found.dn;
  const std::string& namingContext = found.namingContext;

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
