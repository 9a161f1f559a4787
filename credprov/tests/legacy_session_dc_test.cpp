// The provider against Pellucor and the fixture domain controller: its
// settings find the controller as the fallback server, and a session
// carries a user through the question to a new password that logs on, or
// to an unlocked account.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/dc_service_fixture.h"
#include "credprov/pwd_reset_session_factory.h"
#include "credprov/legacy_pwd_reset_session.h"
#include "platform/base/text.h"

namespace {

std::string Message(const IPwdResetSession& session) {
  return session.GetMessage() == nullptr ? "(none)" : Utf16ToUtf8(session.GetMessage());
}

class LegacySessionDcTest : public CDcServiceTest {
 protected:
  void SetUp() override {
    CDcServiceTest::SetUp();
    servicePort = RESET_SERVICE_PORT;
  }

  // A user on the DC and in the question file, and Pellucor started.
  std::string Start(const std::string& prefix) {
    const std::string user = NewUser(prefix, kStart);
    WriteQuestions(DcSettings().domain, {user});
    StartService();
    return user;
  }

  // A session through the factory, the user looked up and the question answered.
  std::unique_ptr<IPwdResetSession> AnsweredSession(const std::string& user) {
    const CPwdResetConfig config;
    CPwdResetSessionFactory factory;
    auto session = factory.CreateSession(config, RESET_SERVICE_PORT);
    EXPECT_NE(session, nullptr) << (factory.GetMessage() ? Utf16ToUtf8(factory.GetMessage()) : "");
    if (session == nullptr) return nullptr;
    EXPECT_TRUE(session->EstablishIdentity(Utf8ToUtf16(DcSettings().domain).c_str(), Utf8ToUtf16(user).c_str()))
        << Message(*session);
    bool retry = false, done = false;
    EXPECT_TRUE(session->AnswerQuestion(u"Blue", retry, done)) << Message(*session);
    EXPECT_TRUE(done);
    return session;
  }

  static constexpr const char* kStart = "Start-Passw0rd";
};

TEST_F(LegacySessionDcTest, ServersAreTheCentralServerThenTheDomainController) {
  for (const char* lastUser : {"", "\"LastLoggedOnUser\"=\"TEST\\\\someone\"\r\n"}) {
    std::string logonUi;
    if (*lastUser != '\0') {
      logonUi = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\LogonUI]\r\n" +
                std::string(lastUser) + "\r\n";
    }
    WriteRegistry("\r\n" + logonUi);
    const CPwdResetConfig config;
    ASSERT_EQ(config.GetServers().GetCount(), 2u) << lastUser;
    EXPECT_EQ(std::u16string(config.GetServers().Get(0)), u"localhost");
    // The controller by its name, without the "\\" in front.
    const std::string controller = LowerCase(Utf16ToUtf8(config.GetServers().Get(1)));
    EXPECT_FALSE(controller.empty());
    EXPECT_NE(controller[0], '\\');
    EXPECT_EQ(DcSettings().fqdn.rfind(controller, 0), 0u) << controller << " is no name of " << DcSettings().fqdn;
  }
}

TEST_F(LegacySessionDcTest, TheControllerAsServerReachesTheService) {
  const std::string user = Start("cpfallback");
  const CPwdResetConfig config;
  ASSERT_EQ(config.GetServers().GetCount(), 2u);
  CLegacyPwdResetSession session;
  ASSERT_TRUE(session.Connect(config.GetServers().Get(1), RESET_SERVICE_PORT, true, false)) << Message(session);
  EXPECT_TRUE(session.EstablishIdentity(Utf8ToUtf16(DcSettings().domain).c_str(), Utf8ToUtf16(user).c_str()))
      << Message(session);
}

TEST_F(LegacySessionDcTest, PasswordChangedAndTheNewPasswordLogsOn) {
  const std::string user = Start("cpreset");
  const auto session = AnsweredSession(user);
  ASSERT_NE(session, nullptr);
  bool retry = true;
  EXPECT_TRUE(session->ResetPassword(u"Fresh-Passw0rd", retry)) << Message(*session);
  EXPECT_FALSE(retry);
  EXPECT_EQ(Message(*session), "Password changed");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart));
}

TEST_F(LegacySessionDcTest, AccountUnlockedAndTheUserLogsOnAgain) {
  const std::string user = Start("cpunlock");
  CDcDirectory::FailLogOns(user);
  ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
  const auto session = AnsweredSession(user);
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(session->UnlockAccount()) << Message(*session);
  EXPECT_EQ(Message(*session), "Account unlocked");
  EXPECT_FALSE(directory.ReadAccount(user).LockedOut());
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart));
}

}  // namespace
