// The web object through Pellucor to the fixture domain controller, as a
// page's script drives it: a reset whose new password logs on, an unlock,
// and two pages' dialogues interleaved on the process's one connection,
// both resets admitted and made.
#include <gtest/gtest.h>

#include <string>

#include "RemoteSvr/common/hashed_answer.h"
#include "RemoteSvr/common/pwd_reset_record.h"
#include "tests/support/dc_service_fixture.h"
#include "platform/base/text.h"
#include "webobject/tests/web_service_fixture.h"

namespace {

class WebObjectDcTest : public CDcServiceTest {
 protected:
  void SetUp() override {
    CDcServiceTest::SetUp();
    servicePort = DEFAULT_PORT;
  }

  // Users on the DC with one question each, answered "Blue": the first
  // stored plain, the others hashed; Kestrine registered; Pellucor started.
  void Start(const std::vector<std::string>& users) {
    std::string text;
    for (std::size_t i = 0; i < users.size(); ++i) {
      text += DcSettings().domain + "\\" + users[i] + "\tFavourite colour?\t" +
              (i == 0 ? std::string("Blue") : HashedAnswer("Blue")) + "\tthe sky\n";
    }
    files.WriteQuestionFile(text);
    ASSERT_NE(KestrineExports().registerServer, nullptr);
    ASSERT_EQ(KestrineExports().registerServer(), S_OK);
    StartService();
  }

  // A page with the user's question loaded and answered in another case;
  // it connects first unless the process's one connection is to be kept
  // (a connection attempt replaces it, for every page of the process).
  CScriptObject AnsweredPage(const std::string& user, bool connect = true) {
    CScriptObject page = NewObject();
    if (connect) {
      EXPECT_EQ(page.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
    }
    EXPECT_EQ(Load(page, Domain(), Utf8ToUtf16(user)), S_OK) << LastError(page);
    EXPECT_EQ(page.Get(u"Hint", {1L}).Text(), "the sky");
    AnswerAll(page, {{u"Favourite colour?", u"bLUE"}});
    return page;
  }

  static std::u16string Domain() { return Utf8ToUtf16(DcSettings().domain); }

  static constexpr const char* kStart = "Start-Passw0rd";
};

TEST_F(WebObjectDcTest, PasswordChangedAndTheNewPasswordLogsOn) {
  const std::string user = NewUser("woreset", kStart);
  ASSERT_NO_FATAL_FAILURE(Start({user}));
  CScriptObject page = AnsweredPage(user);
  const CRequestOutcome outcome = Reset(page, Domain(), Utf8ToUtf16(user), u"Fresh-Passw0rd");
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_EQ(outcome.status, -1);
  EXPECT_EQ(outcome.lastError, "Password changed");
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, "Fresh-Passw0rd"));
  EXPECT_FALSE(CDcDirectory::CanLogOn(user, kStart));
}

TEST_F(WebObjectDcTest, AccountUnlockedAndTheUserLogsOnAgain) {
  const std::string plain = NewUser("wofirst", kStart);
  const std::string user = NewUser("wounlock", kStart);
  ASSERT_NO_FATAL_FAILURE(Start({plain, user}));
  CDcDirectory::FailLogOns(user);
  ASSERT_TRUE(directory.ReadAccount(user).LockedOut());
  // Its stored answer is the hashed form.
  CScriptObject page = AnsweredPage(user);
  const CRequestOutcome outcome = Unlock(page, Domain(), Utf8ToUtf16(user));
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_EQ(outcome.status, -1);
  EXPECT_EQ(outcome.lastError, "Account unlocked");
  EXPECT_FALSE(directory.ReadAccount(user).LockedOut());
  EXPECT_TRUE(CDcDirectory::CanLogOn(user, kStart));
}

// Both pages' users were looked up on the one connection; each reset is
// admitted by the service and made.
TEST_F(WebObjectDcTest, TwoPagesInterleavedBothResetTheirPasswords) {
  const std::string first = NewUser("wopagea", kStart);
  const std::string second = NewUser("wopageb", kStart);
  ASSERT_NO_FATAL_FAILURE(Start({first, second}));
  CScriptObject pageA = AnsweredPage(first);
  CScriptObject pageB = AnsweredPage(second, false);
  const CRequestOutcome a = Reset(pageA, Domain(), Utf8ToUtf16(first), u"Fresh-PasswA1");
  const CRequestOutcome b = Reset(pageB, Domain(), Utf8ToUtf16(second), u"Fresh-PasswB1");
  EXPECT_EQ(a.status, -1) << a.lastError;
  EXPECT_EQ(a.lastError, "Password changed");
  EXPECT_EQ(b.status, -1) << b.lastError;
  EXPECT_EQ(b.lastError, "Password changed");
  EXPECT_TRUE(CDcDirectory::CanLogOn(first, "Fresh-PasswA1"));
  EXPECT_TRUE(CDcDirectory::CanLogOn(second, "Fresh-PasswB1"));
}

}  // namespace
