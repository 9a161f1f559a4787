// Pellucor's network-user path against the fixture DC: the domain has no
// LDAP_DIRECTORY and its controller takes no policy hints, so set-password
// and unlock requests go through the network-user interface.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>

#include "RemoteSvr/common/record_client.h"
#include "tests/support/dc_outage.h"
#include "tests/support/dc_password_rules.h"
#include "tests/support/dc_service_fixture.h"
#include "tests/support/foreign_trust.h"

namespace {

class NetUserDcTest : public CDcServiceTest {
 protected:
  // A user on the DC and in the question file, and Pellucor started with
  // the product key's `values`.
  std::string Start(const std::string& prefix, const std::string& values = "") {
    const std::string user = NewUser(prefix, kStart);
    WriteRegistry(values);
    WriteQuestions(DcSettings().domain, {user});
    StartService();
    return user;
  }

  static constexpr const char* kStart = "Start-Passw0rd";
};

bool IsKnownText(const std::string& text) { return !text.empty() && text.rfind("Unknown error", 0) != 0; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(NetUserDcTest, ResetLetsOnlyTheNewPasswordLogOnInOneStageOrTwo) {
  for (const char* values : {"", "\"TwoStageReset\"=dword:00000001\r\n", "\"TwoStageReset\"=dword:00000000\r\n"}) {
    const std::string user = Start("nureset", values);
    const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
    EXPECT_TRUE(ReplySucceeded(reply)) << values << ReplyText(reply);
    EXPECT_EQ(ReplyText(reply), "Password changed");
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd")) << values;
    EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart)) << values;
    const CDcAccount account = directory.ReadAccount(user);
    EXPECT_FALSE(account.MustChangePassword()) << values;
    service->Stop();
    service.reset();
  }
}

// Rules of at least 10 characters, which the two-stage reset's temporary
// password has, and none for the members of `exemptGroup`.
std::string RulesExempting(const std::string& exemptGroup) {
  return "TRACE 1\nMIN_LENGTH 10\nEXCLUDE_GROUP " + exemptGroup + "\n";
}

// A global security group for one test, deleted when it goes.
class CTestGroup {
 public:
  CTestGroup(CDcDirectory& directory, const std::string& name) : name(name), m_directory(directory) {
    made = m_directory.CreateGroup(name, "-2147483646");
  }
  ~CTestGroup() { m_directory.DeleteEntry(CDcDirectory::UserDn(name)); }
  CTestGroup(const CTestGroup&) = delete;
  CTestGroup& operator=(const CTestGroup&) = delete;

  const std::string name;
  bool made = false;

 private:
  CDcDirectory& m_directory;
};

TEST_F(NetUserDcTest, DomainRulesWithAnExemptGroupJudgeTheResetInOneStageOrTwo) {
  const CTestGroup exempt(directory, "nu exempt " + std::to_string(::getpid() % 100000));
  ASSERT_TRUE(exempt.made) << directory.lastError;
  const CDcPasswordRules rules(RulesExempting(exempt.name));
  for (const char* values : {"", "\"TwoStageReset\"=dword:00000000\r\n"}) {
    const bool oneStage = *values != '\0';
    const std::string user = NewUser("nurules", kStart);
    const std::string member = NewUser("nuexempt", kStart);
    ASSERT_TRUE(directory.AddMember(exempt.name, CDcDirectory::UserDn(member))) << directory.lastError;
    WriteRegistry(values);
    WriteQuestions(DcSettings().domain, {user, member});
    StartService();
    const struct {
      const std::string& user;
      const char* password;
      bool taken;
      const char* logShows;
    } cases[] = {
        {user, "Sh0rt-pw", false, "Test Minimum password length: Status = FALSE"},
        {user, "Fresh-Passw0rd", true, "Password Filter: accepted"},
        {member, "Sh0rt-pw", true, "which is in the exclusion list"},
    };
    for (const auto& c : cases) {
      const std::size_t logBefore = rules.Log().size();
      const auto started = std::chrono::steady_clock::now();
      const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, c.user, c.password);
      // Only a hang detector: the DC gives its script 10 s, then refuses;
      // a loaded machine keeps well below that.
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8)) << values << c.user;
      EXPECT_EQ(ReplySucceeded(reply), c.taken) << values << c.user << " " << c.password << ": " << ReplyText(reply);
      EXPECT_EQ(CDcDirectory::CanLogOn(c.user, c.password), c.taken) << values << c.user << " " << c.password;
      EXPECT_NE(rules.Log().find(c.logShows, logBefore), std::string::npos) << values << c.user << " " << c.password;
      // Refused in one stage, nothing was written.
      if (!c.taken && oneStage) {
        EXPECT_TRUE(CDcDirectory::CanLogOn(c.user, kStart)) << c.user;
      }
    }
    service->Stop();
    service.reset();
  }
}

TEST_F(NetUserDcTest, PreExpiredPasswordMustBeChangedAtTheNextLogon) {
  const std::string user = Start("nuexpire", "\"PreExpirePassword\"=dword:00000001\r\n");
  const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  const CDcAccount account = directory.ReadAccount(user);
  EXPECT_TRUE(account.MustChangePassword());
  EXPECT_FALSE(account.Disabled());
  EXPECT_FALSE(account.LockedOut());
  // Neither password logs on until it is changed.
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart));
}

TEST_F(NetUserDcTest, UnlockAfterThreeBadLogonsLetsTheUserLogOnAgain) {
  const std::string user = Start("nuunlock");
  CDcDirectory::FailLogOns(user);
  ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
  ASSERT_FALSE(CDcDirectory::CanLogOn(user, kStart));
  const PwdResetRecord reply = LookUpAndUnlock(DcSettings().domain, user);
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(ReplyText(reply), "Account unlocked");
  EXPECT_FALSE(directory.ReadAccount(user).LockedOut());
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart));
  // Unlocking an account that is not locked changes nothing.
  const CDcAccount before = directory.ReadAccount(user);
  EXPECT_TRUE(ReplySucceeded(LookUpAndUnlock(DcSettings().domain, user)));
  const CDcAccount after = directory.ReadAccount(user);
  EXPECT_EQ(after.userAccountControl, before.userAccountControl);
  EXPECT_EQ(after.pwdLastSet, before.pwdLastSet);
}

TEST_F(NetUserDcTest, ResetOfALockedOutAccountUnlocksIt) {
  for (const char* values : {"", "\"TwoStageReset\"=dword:00000000\r\n"}) {
    const std::string user = Start("nulocked", values);
    CDcDirectory::FailLogOns(user);
    ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
    const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
    EXPECT_TRUE(ReplySucceeded(reply)) << values << ReplyText(reply);
    EXPECT_FALSE(directory.ReadAccount(user).LockedOut()) << values;
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd")) << values;
    service->Stop();
    service.reset();
  }
}

TEST_F(NetUserDcTest, ResetLeavesAnAdministratorsDisablingInPlace) {
  const std::string user = Start("nudisabled", "\"TwoStageReset\"=dword:00000000\r\n");
  ASSERT_TRUE(directory.SetDisabled(user, true)) << directory.lastError;
  const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_TRUE(directory.ReadAccount(user).Disabled());
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  ASSERT_TRUE(directory.SetDisabled(user, false));
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
}

TEST_F(NetUserDcTest, TwoStageResetOfADisabledAccountIsRefusedAndTheAccountStaysDisabled) {
  // The change from the temporary password is the user's own, which a
  // disabled account may not make.
  const std::string user = Start("nudis2");
  ASSERT_TRUE(directory.SetDisabled(user, true)) << directory.lastError;
  const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply),
            "This user can't sign in because this account is currently disabled. Neither the old nor the new password "
            "works now; reset the password again.");
  EXPECT_TRUE(directory.ReadAccount(user).Disabled());
}

TEST_F(NetUserDcTest, ResetAfterTheControllerWasStoppedAndStartedAgainInTheSameService) {
  const char* const modes[] = {"", "\"TwoStageReset\"=dword:00000000\r\n"};
  const std::string user = Start("nurestart");
  ASSERT_EQ(ReplyText(LookUpAndSetPassword(DcSettings().domain, user, "First-Passw0rd")), "Password changed");
  {
    CDcOutage outage;
    ASSERT_TRUE(outage.Halted()) << outage.lastError;
    for (const char* values : modes) {
      WriteRegistry(values);
      const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Lost-Passw0rd");
      EXPECT_FALSE(ReplySucceeded(reply)) << values;
      EXPECT_TRUE(IsKnownText(ReplyText(reply))) << values << ReplyText(reply);
    }
    ASSERT_TRUE(outage.End()) << outage.lastError;
  }
  int round = 0;
  for (const char* values : modes) {
    WriteRegistry(values);
    const std::string password = "Again-Passw0rd" + std::to_string(++round);
    const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, password);
    EXPECT_EQ(ReplyText(reply), "Password changed") << values;
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, password)) << values;
  }
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Lost-Passw0rd"));
}

TEST_F(NetUserDcTest, TwoStageResetWhoseChangeCannotRunKeepsTheOldPasswordAndSaysSo) {
  // The service trusts another CA, or names the controller by a name its
  // certificate does not carry.
  for (const bool foreignCa : {true, false}) {
    const std::string user = NewUser("nutrust", kStart);
    WriteRegistry();
    const std::string byAnotherName = "DOMAIN_CONTROLLER " + DcSettings().domain + " localhost\n";
    WriteQuestions(DcSettings().domain, {user}, foreignCa ? "" : byAnotherName);
    {
      // The service trusts what LDAPTLS_CACERT named when it started.
      CForeignTrust trust(files.Folder());
      ASSERT_TRUE(trust.made);
      if (!foreignCa) ::setenv("LDAPTLS_CACERT", std::getenv("DC_TLS_CA"), 1);
      StartService();
    }
    const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
    EXPECT_FALSE(ReplySucceeded(reply)) << foreignCa;
    EXPECT_TRUE(EndsWith(ReplyText(reply), " The password was not changed; the old one still works."))
        << ReplyText(reply);
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart)) << foreignCa;
    EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd")) << foreignCa;

    // In one stage the password is set; the account's state update, over
    // the same connection, is named as what failed.
    WriteRegistry("\"TwoStageReset\"=dword:00000000\r\n");
    const PwdResetRecord oneStage = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
    EXPECT_TRUE(ReplySucceeded(oneStage)) << ReplyText(oneStage);
    EXPECT_EQ(ReplyText(oneStage).rfind("Password changed, but clearing a lock-out failed: ", 0), 0u)
        << ReplyText(oneStage);
    EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd")) << foreignCa;
    service->Stop();
    service.reset();
  }
}

TEST_F(NetUserDcTest, TemporaryPasswordTheDomainsRulesRefuseChangesNothingAndSaysSo) {
  // The temporary password has no lower-case letter; the new one meets
  // every rule.
  const CDcPasswordRules rules("MIN_LOWER 1\nALLOW_MIXED_CASE 1\n");
  const std::string user = Start("nutemp");
  CDcDirectory::FailLogOns(user);
  const CDcAccount before = directory.ReadAccount(user);
  ASSERT_TRUE(before.LockedOut());
  const PwdResetRecord reply = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
  EXPECT_FALSE(ReplySucceeded(reply));
  const std::string expected =
      "The domain refused the two-stage reset's temporary password: Unable to update the password. The value provided "
      "for the new password does not meet the length, complexity, or history requirements of the domain. The "
      "password was not changed; the old one still works.";
  EXPECT_EQ(ReplyText(reply), expected);
  const CDcAccount after = directory.ReadAccount(user);
  EXPECT_EQ(after.userAccountControl, before.userAccountControl);
  EXPECT_EQ(after.pwdLastSet, before.pwdLastSet);
  EXPECT_EQ(after.lockoutTime, before.lockoutTime);
  const std::string log = files.LogText();
  EXPECT_NE(log.find("    Error .....: " + expected), std::string::npos) << log;
  EXPECT_FALSE(std::regex_search(log, std::regex("[0-9A-F]{4}(-[0-9A-F]{4}){7}"))) << "a temporary password in the log";
  EXPECT_EQ(log.find("Fresh-Passw0rd"), std::string::npos) << "the new password in the log";
  ASSERT_TRUE(ReplySucceeded(LookUpAndUnlock(DcSettings().domain, user)));
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));

  // In one stage the same rules take the new password.
  WriteRegistry("\"TwoStageReset\"=dword:00000000\r\n");
  const PwdResetRecord oneStage = LookUpAndSetPassword(DcSettings().domain, user, "Fresh-Passw0rd");
  EXPECT_TRUE(ReplySucceeded(oneStage)) << ReplyText(oneStage);
  EXPECT_EQ(ReplyText(oneStage), "Password changed");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart));
}

}  // namespace
