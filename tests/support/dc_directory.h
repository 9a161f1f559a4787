// The fixture domain controller (tests/samba-dc) as its administrator sees
// it over ldaps: its settings from the environment that dc_run.sh exports,
// its users, their logons and account state. For the end-to-end tests and
// the load generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CDcSettings {
  std::string address;    // 127.0.0.1
  std::string fqdn;       // dc1.test.lan, resolvable inside dc_run.sh
  std::string dnsDomain;  // test.lan
  std::string domain;     // TEST
  std::string baseDn;
  std::string admin;
  std::string adminPassword;
  std::string registry;   // the DC's registry file (the Platform key)
};

// Empty fields when the test does not run under dc_run.sh.
const CDcSettings& DcSettings();

// What the directory holds about one account.
struct CDcAccount {
  bool found = false;
  std::uint32_t userAccountControl = 0;
  std::int64_t pwdLastSet = 0;
  std::int64_t lockoutTime = 0;
  bool Disabled() const { return (userAccountControl & 0x2) != 0; }
  bool LockedOut() const { return lockoutTime != 0; }
  bool MustChangePassword() const { return pwdLastSet == 0; }
};

// The DC's users, through its administrator over ldaps.
class CDcDirectory {
 public:
  // "CN=name,CN=Users,<base>".
  static std::string UserDn(const std::string& name);

  // An enabled account with this password and user principal name
  // name@dnsDomain; a left-over account of the name goes first.
  bool CreateUser(const std::string& name, const std::string& password);
  void DeleteUser(const std::string& name);
  // A group of this groupType (a signed number: -2147483646 a global
  // security group) in CN=Users, "CN=name,CN=Users,<base>" like a user; a
  // left-over group of the name goes first. Groups go with DeleteEntry.
  bool CreateGroup(const std::string& name, const std::string& groupType);
  void DeleteEntry(const std::string& dn);
  // Adds `memberDn` to the group's member values.
  bool AddMember(const std::string& group, const std::string& memberDn);
  // Replaces one attribute of the user with one value.
  bool SetAttribute(const std::string& name, const std::string& attribute, const std::string& value);
  bool SetDisabled(const std::string& name, bool disabled);
  CDcAccount ReadAccount(const std::string& name);

  // Any entry's attribute as the administrator reads it; false when the
  // entry could not be read. Replace with an empty value removes the
  // attribute.
  bool ReadValues(const std::string& dn, const std::string& attribute, std::vector<std::string>& values);
  bool Replace(const std::string& dn, const std::string& attribute, const std::string& value);

  // Whether a simple bind as the user with this password succeeds.
  static bool CanLogOn(const std::string& name, const std::string& password);
  // Binds with a wrong password `times` times: three lock the account out.
  static void FailLogOns(const std::string& name, int times = 3);

  // Why the last call failed.
  std::string lastError;

 private:
  // The result code of an LDAP modify as the administrator.
  int Modify(const std::string& dn, int operation, const std::string& attribute, const std::string& value);
};

