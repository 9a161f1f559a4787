// What the Windows-shaped LDAP layer (winldap.h) asks of a directory, in
// plain C++ types: UTF-8 strings, raw value bytes, and the Windows result
// codes of winldap.h as plain numbers. The process's backend is libldap
// (winldap_libldap.cpp, the only side that sees <ldap.h>); tests may put one
// of their own in its place to see what goes out and to answer as a
// directory would.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CLdapAttribute {
  std::string name;
  std::vector<std::string> values;  // raw bytes
};

struct CLdapEntry {
  std::string dn;
  std::vector<CLdapAttribute> attributes;
};

struct CLdapControlValue {
  std::string oid;
  std::string value;  // the encoded bytes, empty for none
  bool critical = false;
};

struct CLdapModification {
  std::uint32_t operation = 0;  // 0 add, 1 delete, 2 replace
  std::string attribute;
  std::vector<std::string> values;  // raw bytes; a password's are wiped by the layer afterwards
};

// One connection, made by IWinLdapBackend::Open. Every call answers a
// Windows LDAP result code.
class IWinLdapConnection {
 public:
  virtual ~IWinLdapConnection() = default;
  // Opens the network connection; `timeoutMilliseconds` < 0 is the
  // backend's own connect time-out.
  virtual std::uint32_t Connect(long timeoutMilliseconds) = 0;
  // SASL GSSAPI with the process's Kerberos credentials; the bind fails
  // unless the session's security strength reaches `minimumSsf`.
  virtual std::uint32_t BindNegotiate(unsigned minimumSsf) = 0;
  // `filter` empty for "(objectClass=*)", `attributes` empty for all. The
  // entries found are kept also when the result is a failure.
  virtual std::uint32_t Search(const std::string& base, std::uint32_t scope, const std::string& filter,
                               const std::vector<std::string>& attributes, std::vector<CLdapEntry>& entries) = 0;
  virtual std::uint32_t Modify(const std::string& dn, const std::vector<CLdapModification>& modifications,
                               const std::vector<CLdapControlValue>& serverControls) = 0;
};

class IWinLdapBackend {
 public:
  virtual ~IWinLdapBackend() = default;
  // Prepares a plain LDAP connection to host:port; nothing is sent yet. Null
  // with `result` set when it cannot be made.
  virtual std::unique_ptr<IWinLdapConnection> Open(const std::string& host, std::uint32_t port,
                                                   std::uint32_t& result) = 0;
};

// The backend in force: the libldap one unless a test set its own.
IWinLdapBackend& WinLdapBackend();
// Puts `backend` in force (a test's); nullptr restores the libldap one.
void SetWinLdapBackend(IWinLdapBackend* backend);
// The libldap backend.
IWinLdapBackend& LibLdapBackend();

// The LDAP library's text for a Windows LDAP result code; never null.
const char* LibLdapResultText(std::uint32_t code);
