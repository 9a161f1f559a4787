// The LDAP client of the service: resets a user's password on a domain
// controller through "unicodePwd", with the password-policy-hints control
// when the controller lists it, and tells whether a controller lists that
// control. The settings ask it at start-up (ldap_policy_hints.cpp); request
// handling resets through it for an enforceable domain
// (ldap_password_reset.cpp). It speaks the platform's wldap32
// (platform/ldap/winldap.h) with the service's own Kerberos credentials.
#pragma once

#include <string>

#include "platform/ldap/winldap.h"

// The password-policy-hints control identifiers, the later one preferred.
inline constexpr const char* PolicyHintsOids[] = {"1.2.840.113556.1.4.2066", "1.2.840.113556.1.4.2239"};

class CLdapPasswordClient {
 public:
  // `server`: the domain controller's host name; `attribute`: the naming
  // attribute that holds the user name ("sAMAccountName").
  CLdapPasswordClient(const std::string& server, const std::string& attribute);
  virtual ~CLdapPasswordClient();
  CLdapPasswordClient(const CLdapPasswordClient&) = delete;
  CLdapPasswordClient& operator=(const CLdapPasswordClient&) = delete;

  // 1 when a connection succeeds and the controller lists one of
  // PolicyHintsOids, else 0 (errorText says why a connection failed).
  int SupportsPolicyHints();
  // 1 when the password was set; 0 with errorText set.
  int ResetPassword(const std::string& userName, const std::string& newPassword);

  std::string server;
  std::string attribute;
  std::string errorText;

 protected:
  // The steps of the two operations (open to tests that drive one alone).
  // Each failure sets errorText.

  // A sealed connection to `host` bound with the service's credentials, its
  // domain's base DN and the control index (-1: neither control); null on
  // failure, the connection closed.
  PLDAP Connect(const std::string& host, std::string& baseDn, int& controlIndex);
  // The highest index in PolicyHintsOids whose OID is among `values`, or -1.
  static int FindPolicyHintsControl(PWCHAR* values);
  // 1 with `dn` set when exactly one entry under `baseDn` has `userName` as
  // `namingAttribute`; the connection stays open.
  int FindUserDn(PLDAP connection, const std::string& baseDn, const std::string& userName,
                 const std::string& namingAttribute, std::string& dn);
  // Replaces the entry's unicodePwd, with the policy-hints control of
  // `controlIndex` when it is 0 or 1.
  int SetUnicodePwd(PLDAP connection, const std::string& dn, const std::string& newPassword, int controlIndex);
};
