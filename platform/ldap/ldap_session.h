// One libldap connection as every directory layer here opens it: LDAPv3,
// no referrals, the peer's certificate and host name always verified, and a
// bind with the process's Kerberos credentials (SASL GSSAPI) or with an
// account and password. Every call is bounded: the connection (TCP and the
// TLS handshake) by the connect time-out, each bind, search and change by
// the operation time-out, down to each read and write on the socket
// (ldap_socket_watch.h). Only the layers' own backend files include it:
// <ldap.h> shares names with the Windows LDAP interface.
#pragma once

#include <ldap.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/ldap/ldap_certificate_check.h"
#include "platform/ldap/ldap_limits.h"
#include "platform/ldap/ldap_socket_watch.h"

class CLdapSession {
 public:
  CLdapSession() = default;
  ~CLdapSession();
  CLdapSession(const CLdapSession&) = delete;
  CLdapSession& operator=(const CLdapSession&) = delete;

  // Prepares a connection to host:port (ldaps when `tls`); nothing is sent
  // yet. Answers an LDAP result code.
  int Open(const std::string& host, int port, bool tls);
  // Opens the network connection now (the binds, searches and changes open
  // it first when it is not open). A session connects once: after a failed
  // attempt, or once its connection has ended, every call answers at once.
  // LDAP_TIMEOUT when the connect time-out ran out.
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

  // A modification with the operation time-out; answers the server's
  // result code. LDAP_TIMEOUT exactly when the request went out whole and
  // no result came back, in time or before the connection ended: the change
  // may or may not have been made. A request that could not be sent
  // answers another code (LDAP_SERVER_DOWN when the server took none of it
  // in time).
  int Modify(const std::string& dn, LDAPMod** modifications, LDAPControl** serverControls);

  // What went wrong in the last failed call: the session's own text for a
  // time-out, an unanswered change or a certificate that did not verify;
  // else the server's text, empty when it sent none.
  std::string Diagnostic() const;
  // After a connect that failed on the server's certificate, the trust
  // family's status for it (CERT_E_UNTRUSTEDROOT, CERT_E_CN_NO_MATCH, ...;
  // the reason is then noted on the thread, certificate_failure.h); else 0.
  DWORD CertificateStatus() const { return m_certificateStatus; }

  LDAP* Handle() const { return m_ld; }
  // Ends the connection now; the destructor then does nothing.
  void Close();

 private:
  // Connects unless a connection was made or tried already.
  int EnsureConnected();
  // A call of at most `seconds` begins; Finish ends it with its result,
  // LDAP_TIMEOUT when the time ran out (a time-out gets its text).
  void Begin(int seconds);
  int Finish(int rc, int seconds);
  // The verification error of the server's certificate after a failed ldaps
  // connect; none when that was not the cause.
  CCertificateProblem CertificateFailure();

  LDAP* m_ld = nullptr;
  CLdapSocketWatch m_watch;
  std::string m_host;
  bool m_tls = false;
  std::optional<int> m_connectResult;  // none: not tried yet
  std::string m_note;  // Diagnostic()'s text when the session has its own
  DWORD m_certificateStatus = 0;
};

// The values of `attribute` in one entry, as raw bytes.
std::vector<std::string> LdapValues(LDAP* ld, LDAPMessage* entry, const char* attribute);
// The entry's distinguished name.
std::string LdapEntryDn(LDAP* ld, LDAPMessage* entry);
