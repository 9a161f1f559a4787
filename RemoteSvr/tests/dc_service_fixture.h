// Pellucor against the fixture domain controller (tests/samba-dc): the
// DC's settings from the environment that dc_run.sh exports, its users as
// its administrator sees them over ldaps, and a test fixture that runs the
// real service with a question file for those users.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "RemoteSvr/tests/service_fixture.h"

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
  // Replaces one attribute of the user with one value.
  bool SetAttribute(const std::string& name, const std::string& attribute, const std::string& value);
  bool SetDisabled(const std::string& name, bool disabled);
  CDcAccount ReadAccount(const std::string& name);

  // Whether a simple bind as the user with this password succeeds.
  static bool CanLogOn(const std::string& name, const std::string& password);
  // Binds with a wrong password `times` times: three lock the account out.
  static void FailLogOns(const std::string& name, int times = 3);

 private:
  // The result code of an LDAP modify as the administrator.
  int Modify(const std::string& dn, int operation, const std::string& attribute, const std::string& value);
};

// One question per user, answered "blue"; the service is the real Pellucor
// program. Users made with NewUser are deleted afterwards.
class CDcServiceTest : public ::testing::Test {
 protected:
  static constexpr const char* kAnswer = "blue";

  void SetUp() override;
  void TearDown() override;

  // A new account on the DC, its name starting with `prefix` (at most 12
  // characters) and unique to this run.
  std::string NewUser(const std::string& prefix, const std::string& password);

  // The registry: DatabasePath, the product key's `productValues` (lines
  // such as "\"TwoStageReset\"=dword:00000000\r\n") and the DC's Platform key.
  void WriteRegistry(const std::string& productValues = "");
  // A question line "domain\user" for each user, then `settingsLines`
  // (DOMAIN_CONTROLLER, LDAP_DIRECTORY ... lines, each with its line end).
  void WriteQuestions(const std::string& domain, const std::vector<std::string>& users,
                      const std::string& settingsLines = "");
  // Starts Pellucor on the files as written.
  void StartService();

  // On one connection: a lookup of the user, then the request. The reply
  // of the lookup is the answer when the lookup fails.
  PwdResetRecord LookUpAndSetPassword(const std::string& domain, const std::string& user,
                                      const std::string& password);
  PwdResetRecord LookUpAndUnlock(const std::string& domain, const std::string& user);

  CServiceFiles files;
  CDcDirectory directory;
  std::unique_ptr<IServiceRunner> service;

 private:
  std::vector<std::string> users;
};
