// Pellucor against the fixture domain controller (tests/samba-dc): a test
// fixture that runs the real service with a question file for users it makes
// on the DC (dc_directory.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "tests/support/dc_directory.h"
#include "tests/support/dc_test_users.h"
#include "tests/support/service_fixture.h"

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
  // The port StartService gives Pellucor; 0 for one claimed for it.
  std::uint16_t servicePort = 0;

 private:
  CDcTestUsers users{directory};
};
