// The web object as a page's script drives it, against the real Pellucor on
// port 7257 (no directory behind it: the DC tests carry resets through):
// connect, questions and hints, answers in another case and hashed, the
// count's rules once loaded, a wrong answer counted up to the lock-out, the
// requests that are refused before anything is sent, what a lost
// connection leaves, objects sharing the one connection across threads and
// two pages' dialogues interleaved on it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>

#include <string>
#include <thread>
#include <vector>

#include "RemoteSvr/common/hashed_answer.h"
#include "RemoteSvr/common/pwd_reset_record.h"
#include "platform/base/text.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/socket_bytes.h"
#include "webobject/tests/web_service_fixture.h"

namespace {

const std::u16string kDomain = u"corp";

std::string QuestionFile(int maximumAttempts) {
  return "corp\\alice\tColour?\tBlue\tsky\n"
         "corp\\alice\tPet?\t" + HashedAnswer("Rex") + "\t\n"
         "corp\\alice\tCity?\tParis\tcapital\n"
         "corp\\bob\tFood?\tPizza\tround\n"
         "MAXIMUM_ATTEMPTS " + std::to_string(maximumAttempts) + "\n";
}

const std::map<std::u16string, std::u16string> kAliceAnswers = {
    {u"Colour?", u"bLUE"}, {u"Pet?", u"REX"}, {u"City?", u"pARIS"}};
const std::map<std::u16string, std::u16string> kBobAnswers = {{u"Food?", u"pizza"}};

// Texts of the object's own.
constexpr char kIncorrect[] = "One or more answers were incorrect.";
constexpr char kNoQuestions[] = "No questions set.";
constexpr char kNoCommunication[] = "Could not communicate with the Varnok Password Reset server.";
constexpr char kOtherUser[] = "The security questions were loaded for another user: load this user's questions first.";
constexpr char kNotSendable[] =
    "A name or password is too long or holds characters that cannot be sent to the Varnok Password Reset server.";
// The rule engine's refusal of a short password reaches the page as the service's text.
constexpr char16_t kShortPassword[] = u"abc";

class WebObjectServiceTest : public CWebServiceTest {};

TEST_F(WebObjectServiceTest, APageLoadsTheQuestionsAndHintsAndAnswersThem) {
  ASSERT_NO_FATAL_FAILURE(StartService(QuestionFile(3)));
  CScriptObject page = NewObject();
  // Leading backslashes of a server name are skipped.
  for (const char16_t* server : {u"localhost", u"\\\\localhost", u"127.0.0.1"}) {
    EXPECT_EQ(page.Call(u"Connect", {std::u16string(server)}).status, S_OK) << Utf16ToUtf8(server);
  }
  EXPECT_EQ(page.Call(u"Connect", {std::u16string(u"no-such-host.invalid")}).status, E_FAIL);
  ASSERT_EQ(page.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);

  EXPECT_EQ(page.Get(u"QuestionCount").Text(), "0");
  ASSERT_EQ(Load(page, kDomain, u"alice"), S_OK) << LastError(page);
  ASSERT_EQ(page.Get(u"QuestionCount").Text(), "3");
  std::map<std::string, std::string> hints;
  for (long i = 1; i <= 3; ++i) hints[page.Get(u"Question", {i}).Text()] = page.Get(u"Hint", {i}).Text();
  EXPECT_EQ(hints, (std::map<std::string, std::string>{{"Colour?", "sky"}, {"Pet?", ""}, {"City?", "capital"}}));
  for (long i = 1; i <= 3; ++i) EXPECT_EQ(page.Get(u"Answer", {i}).Text(), "");
  for (const long bad : {0L, 4L}) {
    EXPECT_EQ(page.Get(u"Question", {bad}).status, E_INVALIDARG);
    EXPECT_EQ(LastError(page), "Index out of bounds.");
  }
  // The count is the questions' once loaded.
  EXPECT_EQ(page.Put(u"QuestionCount", {}, 2L).status, E_INVALIDARG);
  EXPECT_EQ(LastError(page), "Cannot change count when loaded.");
  EXPECT_EQ(page.Put(u"QuestionCount", {}, 3L).status, S_OK);
  EXPECT_EQ(page.Get(u"QuestionCount").Text(), "3");

  // Answers in another letter case pass, plain and hashed: the request goes
  // to the service, whose rule check refuses this password with its text.
  AnswerAll(page, kAliceAnswers);
  const CRequestOutcome outcome = Reset(page, kDomain, u"alice", kShortPassword);
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.lastError, kIncorrect);
  EXPECT_FALSE(outcome.lastError.empty());
  EXPECT_EQ(LoggedRequests("Set password"), 1);
  EXPECT_EQ(page.Call(u"Disconnect").status, S_OK);
}

TEST_F(WebObjectServiceTest, AWrongAnswerIsCountedAndLocksTheUserOut) {
  ASSERT_NO_FATAL_FAILURE(StartService(QuestionFile(1)));
  CScriptObject page = NewObject();
  ASSERT_EQ(page.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
  ASSERT_EQ(Load(page, kDomain, u"bob"), S_OK) << LastError(page);
  AnswerAll(page, {{u"Food?", u"pasta"}});
  const CRequestOutcome outcome = Reset(page, kDomain, u"bob", u"Fresh-Passw0rd");
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.lastError, kIncorrect);
  EXPECT_EQ(LoggedRequests("Set password"), 0);
  // The one notification reached the service, which locked the user.
  EXPECT_EQ(Load(page, kDomain, u"bob"), E_FAIL);
  EXPECT_EQ(LastError(page).rfind("Too many failed attempts", 0), 0u) << LastError(page);
  EXPECT_EQ(page.Get(u"QuestionCount").Text(), "0");
  EXPECT_NE(files.QuestionFileText().find("corp\\bob\t{{LOCKED}}"), std::string::npos);
}

// Requests that go nowhere: answers checked for another account, texts the
// record cannot carry whole, and a check without questions.
TEST_F(WebObjectServiceTest, RequestsRefusedBeforeAnythingIsSent) {
  ASSERT_NO_FATAL_FAILURE(StartService(QuestionFile(1)));
  CScriptObject page = NewObject();
  ASSERT_EQ(page.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
  ASSERT_EQ(Load(page, kDomain, u"alice"), S_OK) << LastError(page);
  AnswerAll(page, kAliceAnswers);
  const std::u16string tooLong(300, u'x');
  const std::u16string loneSurrogate = std::u16string(u"Passw0rd-") + char16_t(0xD800);
  const std::u16string withZero(u"Pass\0word-1", 11);
  struct Case {
    const char* what;
    std::u16string domain;
    std::u16string user;
    std::u16string password;
    const char* lastError;
  };
  const Case cases[] = {
      {"another user", kDomain, u"bob", u"Fresh-Passw0rd", kOtherUser},
      {"another domain", u"other", u"alice", u"Fresh-Passw0rd", kOtherUser},
      {"a password longer than the field", kDomain, u"ALICE", tooLong, kNotSendable},
      {"a password with a lone surrogate", u"CORP", u"alice", loneSurrogate, kNotSendable},
      {"a password with a zero in it", kDomain, u"alice", withZero, kNotSendable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const bool unlock : {false, true}) {
      const CRequestOutcome outcome =
          unlock ? Unlock(page, c.domain, c.user) : Reset(page, c.domain, c.user, c.password);
      EXPECT_EQ(outcome.result, S_OK);
      EXPECT_EQ(outcome.status, 0);
      // An unlock carries no password, so it passes where only the password failed.
      if (!unlock || std::string(c.lastError) == kOtherUser) {
        EXPECT_EQ(outcome.lastError, c.lastError);
      }
    }
  }
  // Nothing was counted or asked for the other user, who is not locked.
  EXPECT_EQ(LoggedRequests("Set password"), 0);
  EXPECT_EQ(LoggedRequests("Failure notification"), 0);
  CScriptObject other = NewObject();
  EXPECT_EQ(Load(other, kDomain, u"bob"), S_OK) << LastError(other);
  // A name longer than the field is refused too, and so is a check without questions.
  EXPECT_EQ(Load(other, kDomain, tooLong), E_FAIL);
  EXPECT_EQ(LastError(other), kNotSendable);
  ASSERT_EQ(other.Put(u"QuestionCount", {}, 3L).status, S_OK);
  const CRequestOutcome none = Reset(other, kDomain, u"alice", u"Fresh-Passw0rd");
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.lastError, kNoQuestions);
}

// When the service is gone, a request says so instead of leaving the last
// reply's text, and a wrong answer whose notification cannot be sent
// leaves no stored answers to guess on.
TEST_F(WebObjectServiceTest, ALostConnectionIsReportedAndSpendsTheAnswers) {
  ASSERT_NO_FATAL_FAILURE(StartService(QuestionFile(3)));
  CScriptObject page = NewObject();
  ASSERT_EQ(page.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
  ASSERT_EQ(Load(page, kDomain, u"alice"), S_OK) << LastError(page);
  AnswerAll(page, kAliceAnswers);
  const CRequestOutcome refused = Reset(page, kDomain, u"alice", kShortPassword);
  ASSERT_FALSE(refused.lastError.empty());
  ASSERT_NE(refused.lastError, kNoCommunication);

  StopService();
  CRequestOutcome lost = Reset(page, kDomain, u"alice", u"Fresh-Passw0rd");
  EXPECT_EQ(lost.status, 0);
  EXPECT_EQ(lost.lastError, kNoCommunication);
  lost = Unlock(page, kDomain, u"alice");
  EXPECT_EQ(lost.status, 0);
  EXPECT_EQ(lost.lastError, kNoCommunication);

  AnswerAll(page, {});
  EXPECT_EQ(Reset(page, kDomain, u"alice", u"Fresh-Passw0rd").lastError, kIncorrect);
  // The right answers now find nothing to pass against.
  AnswerAll(page, kAliceAnswers);
  EXPECT_EQ(Reset(page, kDomain, u"alice", u"Fresh-Passw0rd").lastError, kNoQuestions);
  EXPECT_EQ(Load(page, kDomain, u"alice"), E_FAIL);
  EXPECT_EQ(LastError(page), kNoCommunication);
}

// Objects on several threads share the one connection; each exchange is
// whole, so every lookup gets its own user's questions.
TEST_F(WebObjectServiceTest, ObjectsOnSeveralThreadsShareTheConnection) {
  ASSERT_NO_FATAL_FAILURE(StartService(QuestionFile(3)));
  {
    CScriptObject first = NewObject();
    ASSERT_EQ(first.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
  }
  constexpr int kThreads = 4;
  constexpr int kLookups = 25;
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CScriptObject page;
      if (CreateScriptObject(u"Varnok.PasswordResetRequest", page) != S_OK) {
        failures[t] = "not created";
        return;
      }
      for (int i = 0; i < kLookups && failures[t].empty(); ++i) {
        const bool alice = (i + t) % 2 == 0;
        if (Load(page, kDomain, alice ? u"alice" : u"bob") != S_OK) {
          failures[t] = "lookup failed: " + LastError(page);
        } else if (page.Get(u"QuestionCount").Text() != (alice ? "3" : "1")) {
          failures[t] = "another user's questions";
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

// Two pages on one web server: their dialogues interleave on the process's
// one connection, each request for the user its page looked up. The service
// admits every user looked up on the connection.
TEST_F(WebObjectServiceTest, TwoPagesDialoguesInterleaveOnTheOneConnection) {
  ASSERT_NO_FATAL_FAILURE(StartService(QuestionFile(3)));
  CScriptObject first = NewObject();
  CScriptObject second = NewObject();
  ASSERT_EQ(first.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
  ASSERT_EQ(Load(first, kDomain, u"alice"), S_OK) << LastError(first);
  ASSERT_EQ(Load(second, kDomain, u"bob"), S_OK) << LastError(second);
  EXPECT_EQ(first.Get(u"QuestionCount").Text(), "3");
  EXPECT_EQ(second.Get(u"Question", {1L}).Text(), "Food?");
  AnswerAll(first, kAliceAnswers);
  AnswerAll(second, kBobAnswers);
  // Neither is refused as a user not looked up; the rules refuse the short
  // password with their own text.
  for (CScriptObject* page : {&first, &second}) {
    const CRequestOutcome outcome =
        Reset(*page, kDomain, page == &first ? u"alice" : u"bob", kShortPassword);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.lastError.find("not looked up"), std::string::npos) << outcome.lastError;
    EXPECT_NE(outcome.lastError, kNoCommunication);
  }
  EXPECT_EQ(LoggedRequests("Set password"), 2);
}

// A reply out of form (its length not the record's) fails the exchange and
// closes the connection, so nothing of it is read as a later reply.
TEST_F(WebObjectServiceTest, AReplyOutOfFormClosesTheConnection) {
  ASSERT_EQ(KestrineExports().registerServer(), S_OK);
  LoopbackListener listener("127.0.0.1", DEFAULT_PORT, 1);
  std::string closedSeen;
  std::thread peer([&] {
    const SOCKET s = listener.Accept();
    ReceiveBytes(s, RECORD_SIZE);
    PwdResetRecord reply{};
    SetRecordHeader(reply, REQUEST_LOOKUP_USER);
    reply.header.totalLength = RECORD_SIZE - 1;
    winsock::send(s, reinterpret_cast<const char*>(&reply), sizeof reply, 0);
    char byte = 0;
    closedSeen = winsock::recv(s, &byte, 1, 0) == 0 ? "closed" : "open";
    closesocket(s);
  });
  CScriptObject page = NewObject();
  ASSERT_EQ(page.Call(u"Connect", {std::u16string(u"localhost")}).status, S_OK);
  EXPECT_EQ(Load(page, kDomain, u"alice"), E_FAIL);
  EXPECT_EQ(LastError(page), kNoCommunication);
  peer.join();
  listener.Close();
  EXPECT_EQ(closedSeen, "closed");
  EXPECT_EQ(Load(page, kDomain, u"alice"), E_FAIL);
}

}  // namespace
