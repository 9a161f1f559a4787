// One libldap connection as every directory layer here opens it: LDAPv3,
// no referrals, connect and operation time-outs, the peer's certificate and
// host name always verified, and a bind with the process's Kerberos
// credentials (SASL GSSAPI) or with an account and password. Only the
// layers' own backend files include it: <ldap.h> shares names with the
// Windows LDAP interface.
#pragma once

#include <ldap.h>

#include <string>
#include <vector>

#include "platform/ldap/ldap_limits.h"

class CLdapSession {
 public:
  CLdapSession() = default;
  ~CLdapSession();
  CLdapSession(const CLdapSession&) = delete;
  CLdapSession& operator=(const CLdapSession&) = delete;

  // Prepares a connection to host:port (ldaps when `tls`); nothing is sent
  // yet. Answers an LDAP result code.
  int Open(const std::string& host, int port, bool tls);
  // Opens the network connection now.
  int Connect();
  // SASL GSSAPI with the process's credentials; `minimumSsf` 0 allows an
  // unprotected session after the bind.
  int BindNegotiate(unsigned minimumSsf);
  int BindSimple(const std::string& name, const std::string& password);
  // The CredentialsFile account (a name without a domain or realm of its
  // own is the file's domain's), else the process's Kerberos credentials.
  int BindDirectoryAccount();

  // A search with the operation time-out; `result` is the caller's to free
  // (also after a failure).
  int Search(const std::string& base, int scope, const std::string& filter, const std::vector<std::string>& attributes,
             LDAPControl** serverControls, LDAPMessage** result);

  // A modification with the operation time-out (abandoned when it runs
  // out); answers the server's result code.
  int Modify(const std::string& dn, LDAPMod** modifications, LDAPControl** serverControls);

  // The server's text for the last failure, empty when it sent none.
  std::string Diagnostic() const;

  LDAP* Handle() const { return m_ld; }
  // Ends the connection now; the destructor then does nothing.
  void Close();

 private:
  LDAP* m_ld = nullptr;
};

// The values of `attribute` in one entry, as raw bytes.
std::vector<std::string> LdapValues(LDAP* ld, LDAPMessage* entry, const char* attribute);
// The entry's distinguished name.
std::string LdapEntryDn(LDAP* ld, LDAPMessage* entry);
