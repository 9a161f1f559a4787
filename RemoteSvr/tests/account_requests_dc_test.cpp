// Set-password and unlock requests that the service must answer without
// changing the directory: a password the site's rules refuse, and users the
// question file knows but the domain does not.
#include <unistd.h>

#include <gtest/gtest.h>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/dc_service_fixture.h"

namespace {

class AccountRequestsDcTest : public CDcServiceTest {};

TEST_F(AccountRequestsDcTest, PasswordRefusedByTheRulesNeverReachesTheDomain) {
  const std::string user = NewUser("rulerefuse", "Start-Passw0rd");
  const CDcAccount before = directory.ReadAccount(user);
  ASSERT_TRUE(before.found);
  WriteQuestions(DcSettings().domain, {user});
  ASSERT_NO_FATAL_FAILURE(StartService());

  const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "short");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(ReplyText(reply).find("8"), std::string::npos) << ReplyText(reply);  // the rules' minimum length
  const CDcAccount after = directory.ReadAccount(user);
  EXPECT_EQ(after.pwdLastSet, before.pwdLastSet);
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Start-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "short"));
}

TEST_F(AccountRequestsDcTest, UserUnknownToTheDomainIsAnsweredWithTheDirectorysText) {
  // In the question file, never created on the DC.
  const std::string ghost = "ghost" + std::to_string(getpid() % 100000);
  WriteQuestions(DcSettings().domain, {ghost});
  ASSERT_NO_FATAL_FAILURE(StartService());

  PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, ghost, "Fresh-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(ReplyText(reply), "");
  EXPECT_NE(ReplyText(reply), "Password changed");
  reply = LookUpAndUnlock(DcSettings().domain, ghost);
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(ReplyText(reply), "Account unlocked");
}

// The network-user calls run with the credentials file's account, for which
// Samba's library points the process's Kerberos cache elsewhere; a Kerberos
// bind afterwards in the same service must still use the service's tickets.
TEST_F(AccountRequestsDcTest, KerberosBindAfterANetworkUserResetUsesTheServicesTickets) {
  const CDcSettings& dc = DcSettings();
  const std::string viaNetUser = NewUser("kerbnet", "Start-Passw0rd");
  const std::string viaDirectory = NewUser("kerbdir", "Start-Passw0rd");
  std::string questions = dc.domain + "\\" + viaNetUser + "\tFavourite colour?\t" + kAnswer + "\n" +
                          "PARTNER\\" + viaDirectory + "\tFavourite colour?\t" + kAnswer + "\n" +
                          "LDAP_DIRECTORY PARTNER LDAP://" + dc.fqdn + "/CN=Users," + dc.baseDn + " sAMAccountName\n";
  files.WriteQuestionFile(questions);
  ASSERT_NO_FATAL_FAILURE(StartService());

  for (const char* round : {"One", "Two"}) {
    const std::string password = std::string("Fresh-Passw0rd-") + round;
    PwdResetRecord reply = LookUpAndSetPassword(dc.domain, viaNetUser, password);
    EXPECT_EQ(ReplyText(reply), "Password changed");
    reply = LookUpAndSetPassword("PARTNER", viaDirectory, password);
    EXPECT_EQ(ReplyText(reply), "Password changed");
    EXPECT_TRUE(CDcDirectory::CanLogOn(viaDirectory, password));
  }
}

}  // namespace
