// The fixed-record session against the real Pellucor on port 7257, started
// with a question file and rules of the test's own and found through the
// provider's settings (CentralServer): lookups, answers plain and hashed,
// a wrong answer that locks the user, a rule rejection with retry, and a
// user the service does not know.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "RemoteSvr/common/hashed_answer.h"
#include "tests/support/service_fixture.h"
#include "credprov/pwd_reset_session_factory.h"
#include "platform/base/text.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kRefusalTail[] = ", please contact your System Administrator";

std::string Message(const IPwdResetSession& session) {
  return session.GetMessage() == nullptr ? "(none)" : Utf16ToUtf8(session.GetMessage());
}

class LegacySessionServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service = MakeServiceRunner("Pellucor", RESET_SERVICE_PORT);
    ASSERT_NE(service, nullptr) << "the Pellucor program is not built";
    files.WriteQuestionFile(
        "MAXIMUM_ATTEMPTS 1\n"
        "corp.example.org\\alice\tPet?\tRex\tfurry\n"
        "corp.example.org\\alice\tCity?\t" + HashedAnswer("Z\xc3\xbcrich") + "\t\n"
        "corp.example.org\\bob\tPet?\tFelix\n");
    ASSERT_TRUE(service->Start(files)) << files.LogText();
  }
  void TearDown() override {
    if (service != nullptr) service->Stop();
  }

  // A session made as the tile makes it: the settings of the registry file
  // (CentralServer "localhost"), the factory, port 7257.
  std::unique_ptr<IPwdResetSession> NewSession() {
    const CPwdResetConfig config;
    CPwdResetSessionFactory factory;
    auto session = factory.CreateSession(config, RESET_SERVICE_PORT);
    EXPECT_NE(session, nullptr) << (factory.GetMessage() ? Utf16ToUtf8(factory.GetMessage()) : "");
    return session;
  }

  // Answers every question from `answers` (question text to answer).
  void AnswerAll(IPwdResetSession& session, const std::map<std::u16string, std::u16string>& answers) {
    for (std::uint32_t n = 0; n < session.GetQuestionCount(); ++n) {
      ASSERT_TRUE(session.NextQuestion());
      ASSERT_NE(session.GetQuestionText(), nullptr);
      const auto answer = answers.find(session.GetQuestionText());
      ASSERT_NE(answer, answers.end()) << Utf16ToUtf8(session.GetQuestionText());
      bool retry = true, done = false;
      ASSERT_TRUE(session.AnswerQuestion(answer->second.c_str(), retry, done)) << Message(session);
      EXPECT_EQ(done, n + 1 == session.GetQuestionCount());
    }
  }

  CServiceFiles files;
  std::unique_ptr<IServiceRunner> service;
};

TEST_F(LegacySessionServiceTest, LookupAndAnswersPlainAndHashedInAnotherLetterCase) {
  const auto session = NewSession();
  ASSERT_NE(session, nullptr);
  ASSERT_TRUE(session->EstablishIdentity(u"corp.example.org", u"Alice")) << Message(*session);
  ASSERT_EQ(session->GetQuestionCount(), 2u);
  // The service hands the questions out in an order of its own.
  const std::u16string first = session->GetQuestionText();
  EXPECT_EQ(session->GetHintText(), std::u16string(first == u"Pet?" ? u"furry" : u""));
  ASSERT_NO_FATAL_FAILURE(AnswerAll(*session, {{u"Pet?", u"rEX"}, {u"City?", u"Z\u00dcRICH"}}));
  EXPECT_FALSE(session->NextQuestion());
}

TEST_F(LegacySessionServiceTest, RuleRejectionLetsTheUserChooseAgain) {
  const auto session = NewSession();
  ASSERT_NE(session, nullptr);
  ASSERT_TRUE(session->EstablishIdentity(u"corp.example.org", u"alice")) << Message(*session);
  ASSERT_NO_FATAL_FAILURE(AnswerAll(*session, {{u"Pet?", u"Rex"}, {u"City?", u"z\u00fcrich"}}));
  bool retry = false;
  EXPECT_FALSE(session->ResetPassword(u"short", retry));
  EXPECT_TRUE(retry);
  const std::string rejection = Message(*session);
  EXPECT_NE(rejection.find("length"), std::string::npos) << rejection;
  // The next password passes the rules and reaches the account operation,
  // which has no domain controller here and writes nothing.
  retry = false;
  EXPECT_FALSE(session->ResetPassword(u"long enough", retry));
  EXPECT_TRUE(retry);
  EXPECT_EQ(Message(*session),
            "The network path was not found. The password was not changed; the old one still works.");
}

TEST_F(LegacySessionServiceTest, AWrongAnswerIsCountedAgainstTheLookedUpUserAndLocksHim) {
  {
    const auto session = NewSession();
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(session->EstablishIdentity(u"corp.example.org", u"bob")) << Message(*session);
    bool retry = true, done = true;
    EXPECT_FALSE(session->AnswerQuestion(u"Rex", retry, done));
    EXPECT_FALSE(retry);
    EXPECT_FALSE(done);
    EXPECT_EQ(Message(*session), "Incorrect answer.");
  }
  // The notice gets no reply: wait (with a bound) for the lock line.
  const std::string lockLine = "corp.example.org\\bob\t{{LOCKED}} # 1 failed attempts at ";
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (files.QuestionFileText().find(lockLine) == std::string::npos && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(files.QuestionFileText().find(lockLine), std::string::npos) << files.QuestionFileText();
  EXPECT_EQ(files.QuestionFileText().find("alice\t{{LOCKED}}"), std::string::npos);

  const auto again = NewSession();
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(again->EstablishIdentity(u"corp.example.org", u"bob"));
  EXPECT_EQ(Message(*again), std::string("Too many failed attempts for corp.example.org\\bob") + kRefusalTail);
}

TEST_F(LegacySessionServiceTest, AnUnknownUserIsRefusedWithTheServicesText) {
  const auto session = NewSession();
  ASSERT_NE(session, nullptr);
  EXPECT_FALSE(session->EstablishIdentity(u"corp.example.org", u"dave"));
  EXPECT_EQ(Message(*session), std::string("No questions found for corp.example.org\\dave") + kRefusalTail);
  EXPECT_EQ(session->GetQuestionCount(), 0u);
  EXPECT_FALSE(session->UnlockAccount());
  EXPECT_EQ(Message(*session), "You have not yet established a Varnok Password Reset session.");
}

}  // namespace
