// Pellucor's network-user path against the fixture DC: the domain has no
// LDAP_DIRECTORY and its controller takes no policy hints, so set-password
// and unlock requests go through the network-user interface.
#include <gtest/gtest.h>

#include <string>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/tests/dc_service_fixture.h"

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
  EXPECT_EQ(ReplyText(reply), "This user can't sign in because this account is currently disabled. ");
  EXPECT_TRUE(directory.ReadAccount(user).Disabled());
}

}  // namespace
