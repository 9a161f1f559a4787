// The service end to end over real loopback sockets: lookups, refusals,
// failure counts and lock lines, the set-password guard and the rule check,
// bad headers and stopping; each test runs against the server in this
// process and against the Pellucor program on the console.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <thread>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/question_choice.h"
#include "tests/support/service_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kRefusalTail[] = ", please contact your System Administrator";
// What a set-password or unlock request that reached the network-user
// operation answers here, where no domain controller is configured.
const char kNoController[] = "The network path was not found. ";
// A two-stage reset finds no controller before it writes anything.
const char kNoControllerForReset[] =
    "The network path was not found. The password was not changed; the old one still works.";

// Seven questions of alice (numbered in file order), two of bob, a locked
// carol without questions, and the alias CORP for corp.example.org.
std::string SampleQuestionFile(const std::string& settings) {
  std::string text = settings;
  text += "DOMAIN_ALIAS CORP corp.example.org\n";
  for (int i = 0; i < 7; ++i) {
    const std::string n = std::to_string(i);
    text += "corp.example.org\\alice\tQuestion " + n + "?\tanswer-" + n + "\thint " + n + "\n";
  }
  text += "corp.example.org\\bob\tPet?\tRex\n";
  text += "corp.example.org\\bob\tCity?\tmd5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F\t\n";
  text += "corp.example.org\\carol\t{{locked}}# by hand\n";
  return text;
}

class ServiceTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    runner = MakeServiceRunner(GetParam());
    if (runner == nullptr) GTEST_SKIP() << GetParam() << " is not built";
  }
  void TearDown() override {
    if (runner != nullptr) runner->Stop();
  }

  void StartWith(const std::string& questionFile) {
    files.WriteQuestionFile(questionFile);
    ASSERT_TRUE(runner->Start(files)) << files.LogText();
  }

  std::uint16_t Port() const { return runner->Port(); }

  CServiceFiles files;
  std::unique_ptr<IServiceRunner> runner;
};

// ---------------------------------------------------------------------------
// Lookups

TEST_P(ServiceTest, LookupHandsOutRandomQuestionsInTheGeneratorsOrder) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("ANSWER_QUESTIONS 3\n")));
  CClient client(Port());
  ASSERT_TRUE(client.Connected());
  for (int attempt = 0; attempt < 5; ++attempt) {
    PwdResetRecord first, second;
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(client.Lookup("corp.example.org", "alice", first));
    ASSERT_TRUE(client.Lookup("corp.example.org", "alice", second));
    if (std::time(nullptr) != before) continue;  // the second changed between: try again

    ASSERT_TRUE(ReplySucceeded(first)) << ReplyText(first);
    const CReplyQuestions got = QuestionsOf(first);
    ASSERT_EQ(got.questions.size(), 3u);
    // The order the generator gives for this second.
    SeedQuestionRandom(static_cast<std::uint32_t>(before));
    const std::vector<int> expected = ChooseQuestions(7, 3);
    for (std::size_t slot = 0; slot < 3; ++slot) {
      const std::string n = std::to_string(expected[slot]);
      EXPECT_EQ(got.questions[slot], "Question " + n + "?");
      EXPECT_EQ(got.answers[slot], "answer-" + n);
      EXPECT_EQ(got.hints[slot], "hint " + n);
    }
    EXPECT_EQ(RecordText(first.questions[3]), "");
    EXPECT_EQ(RecordText(first.questions[4]), "");
    // Same second, same questions in the same order.
    const CReplyQuestions again = QuestionsOf(second);
    EXPECT_EQ(again.questions, got.questions);
    EXPECT_EQ(again.answers, got.answers);
    return;
  }
  FAIL() << "no two lookups within one second";
}

TEST_P(ServiceTest, LookupCountsAliasesAndStoredAnswers) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("")));
  CClient client(Port());
  PwdResetRecord reply;
  // No ANSWER_QUESTIONS: five of seven; the alias maps the domain.
  ASSERT_TRUE(client.Lookup("corp", "ALICE", reply));
  ASSERT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  CReplyQuestions got = QuestionsOf(reply);
  EXPECT_EQ(got.questions.size(), 5u);
  EXPECT_EQ(std::set<std::string>(got.questions.begin(), got.questions.end()).size(), 5u);
  // Two on file: both, the hashed answer as stored, a trailing TAB an empty hint.
  ASSERT_TRUE(client.Lookup("corp.example.org", "bob", reply));
  ASSERT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  got = QuestionsOf(reply);
  ASSERT_EQ(got.questions.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    if (got.questions[i] == "City?") {
      EXPECT_EQ(got.answers[i], "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
      EXPECT_EQ(got.hints[i], "");
    } else {
      EXPECT_EQ(got.questions[i], "Pet?");
      EXPECT_EQ(got.answers[i], "Rex");
    }
  }
}

TEST_P(ServiceTest, LookupRefusals) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("MINIMUM_QUESTIONS 3\n")));
  CClient client(Port());
  const struct {
    const char* domain;
    const char* user;
    std::string reply;
  } cases[] = {
      // A lock line wins even without questions; the key shows the alias's target.
      {"CORP", "carol", std::string("Too many failed attempts for corp.example.org\\carol") + kRefusalTail},
      {"corp", "dave", std::string("No questions found for corp.example.org\\dave") + kRefusalTail},
      {"other", "alice", std::string("No questions found for other\\alice") + kRefusalTail},
      {"corp.example.org", "bob", std::string("Not enough questions found for corp.example.org\\bob") + kRefusalTail},
      // A key with a line break or TAB can match nothing and is refused.
      {"corp", "alice\tx", "The user name or domain holds a line break or tab character"},
  };
  for (const auto& c : cases) {
    PwdResetRecord reply;
    ASSERT_TRUE(client.Lookup(c.domain, c.user, reply));
    EXPECT_FALSE(ReplySucceeded(reply)) << c.user;
    EXPECT_EQ(ReplyText(reply), c.reply);
    EXPECT_EQ(RecordText(reply.questions[0]), "");
  }
  // Without DatabasePath.
  files.WriteRegistry(false);
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("corp", "alice", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply), "Database file not found");
}

// A user's question lines between alias lines, lock lines and other users'
// lines: the questions in file order, the first mapping alias only, a lock
// line anywhere, and the traces in the file's order.
TEST_P(ServiceTest, LookupOfLinesInterleavedWithAliasAndLockLines) {
  ASSERT_NO_FATAL_FAILURE(StartWith("ANSWER_QUESTIONS 5\n"
                                    "corp.example.org\\dave\tQ0?\ta0\th0\n"
                                    "DOMAIN_ALIAS OTHER nowhere\n"
                                    "corp.example.org\\erin\tE0?\te0\n"
                                    "corp.example.org\\dave\tQ1?\ta1\r\n"
                                    "DOMAIN_ALIAS CORP corp.example.org\n"
                                    "corp.example.org\\dave\t{{LOCKED}}-not\n"  // another status: no lock
                                    "corp.example.org\\DAVE\tQ2?\ta2\th2\n"
                                    "DOMAIN_ALIAS CORP elsewhere\n"             // after the one that maps
                                    "corp.example.org\\erin\t{{LOCKED}} # 3 failed attempts\n"
                                    "corp.example.org\\\xE2\x84\xAA" "ELLY\tK?\tk\n"  // the Kelvin sign: "kelly"
                                    "corp.example.org\\\xC3\x84LICE\tA?\ta\n"         // capital A with diaeresis
                                    "corp.example.org\\dave\tQ3?\ta3\t"));      // no line end
  CClient client(Port());
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    PwdResetRecord reply;
    ASSERT_TRUE(client.Lookup("corp", "dave", reply));
    if (std::time(nullptr) != before) continue;
    ASSERT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
    const CReplyQuestions got = QuestionsOf(reply);
    SeedQuestionRandom(static_cast<std::uint32_t>(before));
    const std::vector<int> expected = ChooseQuestions(4, 4);
    const char* hints[] = {"h0", "", "h2", ""};
    ASSERT_EQ(got.questions.size(), 4u);
    for (std::size_t slot = 0; slot < 4; ++slot) {
      const std::string n = std::to_string(expected[slot]);
      EXPECT_EQ(got.questions[slot], "Q" + n + "?");
      EXPECT_EQ(got.answers[slot], "a" + n);
      EXPECT_EQ(got.hints[slot], hints[expected[slot]]);
    }
    break;
  }
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("CORP", "Erin", reply));
  EXPECT_EQ(ReplyText(reply), std::string("Too many failed attempts for corp.example.org\\Erin") + kRefusalTail);
  ASSERT_TRUE(client.Lookup("CORP", "kelly", reply));
  ASSERT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(QuestionsOf(reply).questions, std::vector<std::string>{"K?"});
  ASSERT_TRUE(client.Lookup("CORP", "\xC3\xA4lice", reply));
  ASSERT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(QuestionsOf(reply).questions, std::vector<std::string>{"A?"});
  runner->Stop();

  // The first lookup's traces, in order.
  const std::string log = files.LogText();
  const char* traces[] = {
      "Lookup user",
      "    Read ..: corp.example.org\\dave (question line)",
      "    Read ..: DOMAIN_ALIAS OTHER nowhere",
      "    Read ..: (line of 2 fields)",                       // the status that is no lock
      "    Read ..: corp.example.org\\erin\t{{LOCKED}} # 3 failed attempts",
      "    Read ..: corp.example.org\\dave (question line)",  // the last line
      "    Line .......: DOMAIN_ALIAS OTHER nowhere",
      "    Mapped .....: No",
      "    Line .......: DOMAIN_ALIAS CORP corp.example.org",
      "    Mapped .....: Yes",
      "    Question 0 Q0?",
      "    Hint     0 h0",
      "    Question 1 Q1?",
      "    Hint     1 ",
      "    Question 2 Q2?",
      "    Question 3 Q3?",
      "    Total Questions 4",
  };
  std::size_t at = 0;
  for (const char* trace : traces) {
    const std::size_t found = log.find(trace, at);
    ASSERT_NE(found, std::string::npos) << trace << "\n" << log;
    at = found + 1;
  }
  const std::size_t firstLookupEnd = log.find("    Total Questions 4");
  EXPECT_EQ(log.substr(0, firstLookupEnd).find("Line .......: DOMAIN_ALIAS CORP elsewhere"), std::string::npos);
  EXPECT_EQ(log.substr(0, firstLookupEnd).find("Account locked"), std::string::npos);
  EXPECT_NE(log.find("    Account locked", firstLookupEnd), std::string::npos);
}

TEST_P(ServiceTest, TracesShowNoAnswerAndNoDirectoryPassword) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile(
      "LDAP_DIRECTORY PARTNER \"LDAPS://ldap.partner.example/ou=People\" \"cn=reset agent\" s3cret-bind\n")));
  CClient client(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("corp", "bob", reply));
  ASSERT_TRUE(ReplySucceeded(reply));
  ASSERT_TRUE(client.SetPassword("corp", "bob", "Secret-New-1", reply));
  runner->Stop();
  const std::string log = files.LogText();
  EXPECT_NE(log.find("    Answer   0 <set>"), std::string::npos) << log;
  EXPECT_NE(log.find("corp.example.org\\bob (question line)"), std::string::npos);
  EXPECT_NE(log.find("    Password ....: <set>"), std::string::npos);
  for (const char* secret : {"Rex", "0190-9850", "answer-", "s3cret-bind", "Secret-New-1"}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
  }
}

// ---------------------------------------------------------------------------
// Failure notifications and lock lines

TEST_P(ServiceTest, ReachingTheLimitAppendsOneLockLine) {
  // The file's last line has no line end: the lock line must start a line.
  std::string text = SampleQuestionFile("MAXIMUM_ATTEMPTS 3\n");
  text += "# last line without an end";
  ASSERT_NO_FATAL_FAILURE(StartWith(text));
  const std::size_t before = files.QuestionFileLines().size();
  CClient client(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("CORP", "Alice", reply));
  ASSERT_TRUE(ReplySucceeded(reply));
  // Counted against the looked-up user, whatever the record says.
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(client.Notify("elsewhere", "mallory"));
  // A reply on the same connection: every notification before it is served.
  ASSERT_TRUE(client.Lookup("CORP", "Alice", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply), std::string("Too many failed attempts for corp.example.org\\Alice") + kRefusalTail);

  const std::vector<std::string> lines = files.QuestionFileLines();
  ASSERT_EQ(lines.size(), before + 1);
  EXPECT_EQ(lines[before - 1], "# last line without an end");
  EXPECT_TRUE(std::regex_match(lines[before], std::regex("corp\\.example\\.org\\\\alice\t\\{\\{LOCKED\\}\\} # 3 failed "
                                                         "attempts at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] "
                                                         "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}")))
      << lines[before];
  EXPECT_EQ(files.QuestionFileText().back(), '\n');

  // Once the lock lines are removed the next failure appends one again.
  files.WriteQuestionFile(SampleQuestionFile(""));
  ASSERT_TRUE(client.Notify("", ""));
  ASSERT_TRUE(client.Lookup("CORP", "Alice", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(files.QuestionFileText().find("alice\t{{LOCKED}} # 6 failed attempts at "), std::string::npos);
}

TEST_P(ServiceTest, NotificationWithoutLookupCountsTheRecordsUser) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("MAXIMUM_ATTEMPTS 0\n")));
  CClient client(Port());
  ASSERT_TRUE(client.Notify("CORP", "Bob"));
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("corp", "bob", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(files.QuestionFileText().find("\ncorp.example.org\\bob\t{{LOCKED}} # 1 failed attempts at "),
            std::string::npos);

  // A user key that would break the line is never written.
  CClient forger(Port());
  ASSERT_TRUE(forger.Notify("corp", "x\nevil\t{{LOCKED}}"));
  ASSERT_TRUE(forger.Lookup("corp", "alice", reply));
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(files.QuestionFileText().find("evil"), std::string::npos);
}

TEST_P(ServiceTest, NotificationForAUserWithoutQuestionsCountsAndWritesNothing) {
  const std::string text = SampleQuestionFile("MAXIMUM_ATTEMPTS 2\n");
  ASSERT_NO_FATAL_FAILURE(StartWith(text));
  // Invented names, a user with a lock line but no question, and a name
  // known only under another domain; each on a connection with no lookup.
  const struct {
    const char* domain;
    const char* user;
  } cases[] = {{"corp", "dave"}, {"CORP", "Carol"}, {"elsewhere", "alice"}, {"corp", "user-4711"}};
  for (const auto& c : cases) {
    CClient client(Port());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(client.Notify(c.domain, c.user));
    PwdResetRecord reply;
    ASSERT_TRUE(client.Lookup("corp", "bob", reply));  // every notification before it is served
  }
  EXPECT_EQ(files.QuestionFileText(), text);

  // Once dave has a question, his earlier notifications had counted
  // nothing: the limit of 2 is reached at his second one from now.
  files.WriteQuestionFile(text + "corp.example.org\\dave\tPet?\tFido\n");
  CClient client(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(client.Notify("corp", "dave"));
  ASSERT_TRUE(client.Lookup("corp", "dave", reply));
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  ASSERT_TRUE(client.Notify("corp", "dave"));
  ASSERT_TRUE(client.Lookup("corp", "dave", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_NE(files.QuestionFileText().find("\ncorp.example.org\\dave\t{{LOCKED}} # 2 failed attempts at "),
            std::string::npos);
  runner->Stop();
  EXPECT_NE(files.LogText().find("TRACE (9) :     Counted ...: No, no question line for the user\n"),
            std::string::npos);
}

TEST_P(ServiceTest, QuestionFileThatIsAFifoIsRefusedNotWaitedOn) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("MAXIMUM_ATTEMPTS 0\n")));
  std::filesystem::remove(files.QuestionFilePath());
  ASSERT_EQ(mkfifo(files.QuestionFilePath().c_str(), 0600), 0);
  CClient client(Port());
  PwdResetRecord reply;
  // No writer opens the FIFO: a service that waited on it would leave the
  // client to its reply time-out.
  EXPECT_TRUE(client.Lookup("corp", "alice", reply));
  // Nobody holds it open for reading: a service waiting in open() would, and
  // this open would let it go.
  const int writer = ::open(files.QuestionFilePath().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  EXPECT_EQ(writer, -1);
  EXPECT_EQ(errno, ENXIO);
  if (writer >= 0) ::close(writer);
  if (HasFailure()) return;

  EXPECT_FALSE(ReplySucceeded(reply));
  // Not even the alias lines are read.
  EXPECT_EQ(ReplyText(reply), std::string("No questions found for corp\\alice") + kRefusalTail);
  ASSERT_TRUE(client.Notify("corp", "alice"));
  ASSERT_TRUE(client.Lookup("corp", "bob", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
}

TEST_P(ServiceTest, SixtyFourConnectionsNotifyingAtOnceLoseNoCountAndNoLine) {
  constexpr int kConnections = 64;
  constexpr int kEach = 5;
  std::string text = "MAXIMUM_ATTEMPTS " + std::to_string(kConnections * kEach) + "\n";
  ASSERT_NO_FATAL_FAILURE(StartWith(text + SampleQuestionFile("")));
  std::vector<std::unique_ptr<CClient>> clients;
  for (int i = 0; i < kConnections; ++i) {
    clients.push_back(std::make_unique<CClient>(Port()));
    ASSERT_TRUE(clients.back()->Connected());
  }
  // All for one user: the lock line appears only at the exact total.
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (auto& client : clients) {
    threads.emplace_back([&, c = client.get()] {
      ++ready;
      while (ready.load() < kConnections) std::this_thread::yield();
      for (int n = 0; n < kEach; ++n) EXPECT_TRUE(c->Notify("corp", "alice"));
      PwdResetRecord reply;
      EXPECT_TRUE(c->Lookup("corp", "bob", reply));
    });
  }
  for (auto& thread : threads) thread.join();
  std::string file = files.QuestionFileText();
  EXPECT_NE(file.find("corp.example.org\\alice\t{{LOCKED}} # " + std::to_string(kConnections * kEach) +
                      " failed attempts at "),
            std::string::npos)
      << file;
  EXPECT_EQ(file.find("alice\t{{LOCKED}} # " + std::to_string(kConnections * kEach + 1)), std::string::npos);

  // Each its own user at once: 64 whole lines.
  runner->Stop();
  std::string perUser = "MAXIMUM_ATTEMPTS 1\n";
  for (int i = 0; i < kConnections; ++i) perUser += "corp\\user" + std::to_string(i) + "\tPet?\tRex\n";
  files.WriteQuestionFile(perUser);
  ASSERT_TRUE(runner->Start(files));
  ready = 0;
  threads.clear();
  clients.clear();
  for (int i = 0; i < kConnections; ++i) clients.push_back(std::make_unique<CClient>(Port()));
  for (int i = 0; i < kConnections; ++i) {
    threads.emplace_back([&, i, c = clients[static_cast<std::size_t>(i)].get()] {
      ++ready;
      while (ready.load() < kConnections) std::this_thread::yield();
      EXPECT_TRUE(c->Notify("corp", "user" + std::to_string(i)));
      PwdResetRecord reply;
      EXPECT_TRUE(c->Lookup("corp", "bob", reply));
    });
  }
  for (auto& thread : threads) thread.join();
  const std::vector<std::string> lines = files.QuestionFileLines();
  std::set<std::string> users;
  const std::regex whole("(corp\\\\user[0-9]+)\t\\{\\{LOCKED\\}\\} # 1 failed attempts at .{24}");
  for (std::size_t i = 1 + kConnections; i < lines.size(); ++i) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(lines[i], match, whole)) << lines[i];
    users.insert(match.size() > 1 ? match[1].str() : lines[i]);
  }
  EXPECT_EQ(users.size(), static_cast<std::size_t>(kConnections));
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(2 * kConnections) + 1);
}

// ---------------------------------------------------------------------------
// Set password and unlock

TEST_P(ServiceTest, SetPasswordAndUnlockOnlyForUsersLookedUpOnTheConnection) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("")));
  CClient client(Port());
  PwdResetRecord reply;
  // Nothing looked up yet.
  ASSERT_TRUE(client.SetPassword("corp", "alice", "Good-Passw0rd", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  EXPECT_EQ(ReplyText(reply), "Request refused for corp.example.org\\alice: the user was not looked up on this connection");
  ASSERT_TRUE(client.Unlock("corp", "alice", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  // A failure notification does not open the door either.
  ASSERT_TRUE(client.Notify("corp", "alice"));
  ASSERT_TRUE(client.SetPassword("corp", "alice", "Good-Passw0rd", reply));
  EXPECT_NE(ReplyText(reply).find("Request refused for "), std::string::npos);

  // One connection carries the dialogues of several users, interleaved (a
  // web server's pages): every user looked up on it is served, a refused
  // lookup opens nothing, and a user never looked up stays refused.
  const struct {
    const char* domain;
    const char* user;
    bool servedAfterAlice;
    bool servedAfterBob;
  } cases[] = {
      {"CORP", "Alice", true, true},
      {"corp.example.org", "alice", true, true},  // the same key after the alias
      {"corp", "bob", false, true},
      {"corp", "dave", false, false},
      {"other", "alice", false, false},
  };
  const auto check = [&](bool afterBob) {
    for (const auto& c : cases) {
      const bool served = afterBob ? c.servedAfterBob : c.servedAfterAlice;
      ASSERT_TRUE(client.SetPassword(c.domain, c.user, "Good-Passw0rd", reply));
      EXPECT_FALSE(ReplySucceeded(reply));  // no controller to do it
      EXPECT_EQ(ReplyText(reply) == kNoControllerForReset, served)
          << c.domain << "\\" << c.user << " after bob " << afterBob << ": " << ReplyText(reply);
      ASSERT_TRUE(client.Unlock(c.domain, c.user, reply));
      EXPECT_EQ(ReplyText(reply) == kNoController, served) << ReplyText(reply);
    }
  };
  ASSERT_TRUE(client.Lookup("corp", "alice", reply));
  ASSERT_TRUE(ReplySucceeded(reply));
  ASSERT_TRUE(client.Lookup("corp", "dave", reply));
  ASSERT_FALSE(ReplySucceeded(reply));
  check(false);
  ASSERT_TRUE(client.Lookup("corp", "bob", reply));
  ASSERT_TRUE(ReplySucceeded(reply));
  check(true);

  // Each connection has its own looked-up users.
  CClient other(Port());
  ASSERT_TRUE(other.SetPassword("corp", "bob", "Good-Passw0rd", reply));
  EXPECT_NE(ReplyText(reply).find("Request refused for "), std::string::npos);
}

TEST_P(ServiceTest, RepliesCarryNoNewPasswordAndNoSlotTheServiceDidNotFill) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("")));
  CClient client(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("corp", "bob", reply));  // the guard lets bob's requests through
  // Requests with every field filled: a client that reuses its record.
  const struct {
    std::uint32_t code;
    const char* user;
    std::size_t questions;  // the slots the service fills
  } cases[] = {
      {REQUEST_LOOKUP_USER, "bob", 2},
      {REQUEST_LOOKUP_USER, "dave", 0},  // refused
      {REQUEST_SET_PASSWORD, "bob", 0},
      {REQUEST_UNLOCK_ACCOUNT, "bob", 0},
  };
  for (const auto& c : cases) {
    BuildRequest(reply, c.code, "corp", c.user, "Secret-New-1");
    for (int slot = 0; slot < MAX_QUESTIONS; ++slot) {
      SetRecordText(reply.questions[slot], "planted question");
      SetRecordText(reply.hints[slot], "planted hint");
      SetRecordText(reply.answers[slot], "planted answer");
    }
    std::string message;
    ASSERT_EQ(TransactRecord(client.Socket(), reply, message), 1) << message;
    EXPECT_EQ(RecordText(reply.newPassword), "") << c.code;
    EXPECT_EQ(QuestionsOf(reply).questions.size(), c.questions) << c.code;
    for (int slot = static_cast<int>(c.questions); slot < MAX_QUESTIONS; ++slot) {
      EXPECT_EQ(RecordText(reply.questions[slot]), "") << c.code << " slot " << slot;
      EXPECT_EQ(RecordText(reply.hints[slot]), "") << c.code << " slot " << slot;
      EXPECT_EQ(RecordText(reply.answers[slot]), "") << c.code << " slot " << slot;
    }
    for (const std::string& question : QuestionsOf(reply).questions) {
      EXPECT_TRUE(question == "Pet?" || question == "City?") << question;
    }
  }
}

TEST_P(ServiceTest, RuleRejectionIsAnsweredWithTheRulesMessageAndNoAccountCall) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("")));
  CClient client(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("corp", "alice", reply));
  ASSERT_TRUE(client.SetPassword("corp", "alice", "short", reply));
  EXPECT_FALSE(ReplySucceeded(reply));
  const std::string rejection = ReplyText(reply);
  EXPECT_NE(rejection.find("length"), std::string::npos) << rejection;
  EXPECT_NE(rejection, kNoControllerForReset);
  // An acceptable password reaches the account operation.
  ASSERT_TRUE(client.SetPassword("corp", "alice", "long enough", reply));
  EXPECT_EQ(ReplyText(reply), kNoControllerForReset);
  runner->Stop();
  const std::string log = files.LogText();
  EXPECT_NE(log.find("TRACE (9) :     Error .....: " + rejection), std::string::npos);
  // The rule engine's own lines reach the trace as well.
  EXPECT_NE(log.find("TRACE (9) : --- Start ---"), std::string::npos) << log;
}

// ---------------------------------------------------------------------------
// The connection and the listener

TEST_P(ServiceTest, BadHeaderEndsTheConnectionAfterTenAttempts) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("")));
  CClient bad(Port());
  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, "corp", "alice");
  record.header.magic = 0x11223344;
  ASSERT_TRUE(bad.SendBytes(std::string(reinterpret_cast<const char*>(&record), sizeof record)));
  EXPECT_TRUE(bad.ClosedByPeer(20));
  CClient size(Port());
  BuildRequest(record, REQUEST_LOOKUP_USER, "corp", "alice");
  record.header.totalLength = 5000;
  ASSERT_TRUE(size.SendBytes(std::string(reinterpret_cast<const char*>(&record), sizeof record)));
  EXPECT_TRUE(size.ClosedByPeer(20));
  // The service goes on serving.
  CClient good(Port());
  ASSERT_TRUE(good.Lookup("corp", "alice", record));
  EXPECT_TRUE(ReplySucceeded(record));
  runner->Stop();
  const std::string log = files.LogText();
  std::size_t masks = 0, sizes = 0;
  for (std::size_t at = 0; (at = log.find("Invalid message received, header mask 11223344", at)) != std::string::npos; ++at) ++masks;
  for (std::size_t at = 0; (at = log.find("Invalid message received, header size 5000", at)) != std::string::npos; ++at) ++sizes;
  EXPECT_EQ(masks, 10u);
  EXPECT_EQ(sizes, 10u);
}

TEST_P(ServiceTest, StopsWithAHundredIdleConnectionsWithinTwoSeconds) {
  ASSERT_NO_FATAL_FAILURE(StartWith(SampleQuestionFile("")));
  std::vector<std::unique_ptr<CClient>> clients;
  for (int i = 0; i < 100; ++i) {
    clients.push_back(std::make_unique<CClient>(Port()));
    PwdResetRecord reply;
    ASSERT_TRUE(clients.back()->Lookup("corp", "alice", reply));  // accepted and served
  }
  const auto start = Clock::now();
  runner->Stop();
  const auto took = Clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(2)) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                                           << " ms";
  for (auto& client : clients) EXPECT_TRUE(client->ClosedByPeer(1));
}

INSTANTIATE_TEST_SUITE_P(Runners, ServiceTest, ::testing::Values("InProcess", "Pellucor"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
