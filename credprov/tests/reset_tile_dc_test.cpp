// The tiles end to end: the logon-screen host, the real Pellucor and the
// fixture domain controller. A whole reset to "Complete!" whose new password
// logs on (after a refused one), and a whole unlock after a lock-out after
// which the account logs on again.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/dc_service_fixture.h"
#include "credprov/pwd_reset_session_factory.h"
#include "credprov/tests/logon_screen_host.h"
#include "platform/base/text.h"

namespace {

class ResetTileDcTest : public CDcServiceTest {
 protected:
  void SetUp() override {
    CDcServiceTest::SetUp();
    servicePort = RESET_SERVICE_PORT;
  }

  std::string Start(const std::string& prefix) {
    const std::string user = NewUser(prefix, kStart);
    WriteQuestions(DcSettings().domain, {user});
    StartService();
    return user;
  }

  // The user name and the one question, answered.
  void Answer(CLogonScreenHost& host, const std::string& user) {
    host.Type(F_USERNAME, Utf8ToUtf16(DcSettings().domain + "\\" + user));
    ASSERT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
    ASSERT_EQ(host.FieldString(F_QUESTION), u"Favourite colour?");
    host.Type(F_ANSWER, u"Blue");
  }

  static void ExpectOneBox(CLogonScreenHost& host, const std::string& text, UINT type) {
    const auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].type, type);
    EXPECT_EQ(boxes[0].caption, "Varnok Password Reset");
  }

  static constexpr const char* kStart = "Start-Passw0rd";
};

TEST_F(ResetTileDcTest, WholeResetToCompleteAndTheNewPasswordLogsOn) {
  const std::string user = Start("cptilereset");
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_LOGON));
  host.SelectTile(0);
  Answer(host, user);
  ASSERT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  ASSERT_EQ(host.FieldString(F_INSTRUCTION), u"Enter your new password.");

  // Refused by the rules first: the step stays for another try.
  host.Type(F_NEW_PASSWORD, u"short");
  host.Type(F_CONFIRM, u"short");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  const auto refusal = host.TakeBoxes();
  ASSERT_EQ(refusal.size(), 1u);
  EXPECT_EQ(refusal[0].type, MB_ICONERROR);
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Enter your new password.");

  host.Type(F_NEW_PASSWORD, u"Fresh-Passw0rd");
  host.Type(F_CONFIRM, u"Fresh-Passw0rd");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  ExpectOneBox(host, "Password changed", MB_ICONINFORMATION);
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Complete!");
  EXPECT_EQ(host.ShownFields(), std::vector<DWORD>{F_QUESTION});
  EXPECT_EQ(host.FieldString(F_NEW_PASSWORD), u"");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_FINISHED);
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Complete!");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart));
}

TEST_F(ResetTileDcTest, WholeUnlockAfterALockOutAndTheAccountLogsOnAgain) {
  const std::string user = Start("cptileunlock");
  CDcDirectory::FailLogOns(user);
  ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_LOGON));
  host.SelectTile(1);
  Answer(host, user);
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_NOT_FINISHED);
  ExpectOneBox(host, "Account unlocked", MB_ICONINFORMATION);
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Complete!");
  EXPECT_FALSE(directory.ReadAccount(user).LockedOut());
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart));
}

}  // namespace
