// An enforceable domain end to end in this process: start-up asks each
// DOMAIN_CONTROLLER line's controller for the policy-hints control, and a
// set-password request for a domain whose controller lists it goes through
// the LDAP client with that control. The directory is the recording seam
// of the LDAP layer: the fixture DC lists neither control, so only a
// recorded one can show this path.
#include <gtest/gtest.h>

#include <string>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/service_fixture.h"
#include "platform/ldap/tests/recording_ldap_backend.h"

namespace {

using namespace std::string_literals;

class LdapEnforceableDomainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend.supportedControl = {"1.2.840.113556.1.4.2066", "1.2.840.113556.1.4.2239"};
    backend.unreachableHosts = {"dc9.other.example"};
    backend.userEntries = {{"CN=alice,CN=Users,DC=corp,DC=example",
                            {{"distinguishedName", {"CN=alice,CN=Users,DC=corp,DC=example"}}}}};
    files.WriteQuestionFile(
        "DOMAIN_CONTROLLER corp dc1.corp.example\n"
        "DOMAIN_CONTROLLER other dc9.other.example\n"
        "corp\\alice\tColour?\tblue\n");
    runner = MakeServiceRunner("InProcess");
    ASSERT_TRUE(runner->Start(files)) << files.LogText();
  }
  void TearDown() override {
    if (runner != nullptr) runner->Stop();
  }

  PwdResetRecord SetPassword(const std::string& password) {
    CClient client(runner->Port());
    PwdResetRecord reply{};
    EXPECT_TRUE(client.Lookup("corp", "alice", reply));
    EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
    EXPECT_TRUE(client.SetPassword("corp", "alice", password, reply));
    return reply;
  }

  CRecordingLdapBackend backend;
  CLdapBackendInForce inForce{backend};
  CServiceFiles files;
  std::unique_ptr<IServiceRunner> runner;
};

TEST_F(LdapEnforceableDomainTest, StartUpAsksEachControllerOnce) {
  std::vector<std::string> hosts;
  for (const auto& open : backend.opens) hosts.push_back(open.first);
  // The local controller may be asked first; then one check per line.
  ASSERT_GE(hosts.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(hosts.end() - 2, hosts.end()),
            (std::vector<std::string>{"dc1.corp.example", "dc9.other.example"}));
  EXPECT_TRUE(backend.modifies.empty());
  EXPECT_EQ(backend.closes, static_cast<int>(backend.opens.size()));

  const std::string log = files.LogText();
  const std::size_t corp = log.find("    DC name ...........: dc1.corp.example");
  const std::size_t other = log.find("    DC name ...........: dc9.other.example");
  ASSERT_NE(corp, std::string::npos) << log;
  ASSERT_NE(other, std::string::npos) << log;
  EXPECT_EQ(log.find("    Password policy ...: ", corp), log.find("    Password policy ...: Enforceable", corp));
  EXPECT_EQ(log.find("    Password policy ...: ", other),
            log.find("    Password policy ...: Not enforceable / unknown", other));
}

TEST_F(LdapEnforceableDomainTest, SetPasswordGoesThroughTheLdapClientWithTheControl) {
  const std::size_t opensAtStart = backend.opens.size();
  const PwdResetRecord reply = SetPassword("Good-Passw0rd");
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(ReplyText(reply), "Password changed");

  ASSERT_EQ(backend.opens.size(), opensAtStart + 1);
  EXPECT_EQ(backend.opens.back().first, "dc1.corp.example");
  ASSERT_EQ(backend.modifies.size(), 1u);
  const CRecordingLdapBackend::CModify& sent = backend.modifies[0];
  EXPECT_EQ(sent.dn, "CN=alice,CN=Users,DC=corp,DC=example");
  ASSERT_EQ(sent.controls.size(), 1u);
  EXPECT_EQ(sent.controls[0].oid, "1.2.840.113556.1.4.2239");
  EXPECT_TRUE(sent.controls[0].critical);
  ASSERT_EQ(sent.modifications.size(), 1u);
  EXPECT_EQ(sent.modifications[0].values,
            std::vector<std::string>{"\"\0G\0o\0o\0d\0-\0P\0a\0s\0s\0w\0\x30\0r\0d\0\"\0"s});
  EXPECT_EQ(backend.searches.back().filter, "(sAMAccountName=alice)");
  EXPECT_EQ(files.LogText().find("Good-Passw0rd"), std::string::npos);
}

TEST_F(LdapEnforceableDomainTest, ControllersRefusalIsTheReply) {
  backend.modifyResult = 53;
  PwdResetRecord reply = SetPassword("Good-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply),
            "The domain controller was not willing to set the new password.  It may not meet your defined password "
            "policy (e.g. complexity, age or history requirements).");
  backend.userEntries.clear();
  reply = SetPassword("Good-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply), "User not found.");
}

}  // namespace
