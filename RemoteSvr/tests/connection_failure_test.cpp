// The service in this process when memory runs out on a connection's thread:
// that connection is logged and closed and every other one is served; and a
// question file line too long to be valid is never held in memory, whatever
// its length.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "RemoteSvr/tests/allocation_failure.h"
#include "tests/support/service_fixture.h"

namespace {

// The allocation of the lookup's read buffer (64 KiB in a string, with the
// string's end): the first one of this size after a lookup begins.
constexpr std::size_t kReadBuffer = (1 << 16) + 1;

class ConnectionFailureTest : public ::testing::Test {
 protected:
  void StartWith(const std::string& questionFile) {
    files.WriteQuestionFile(questionFile);
    LogFile().OpenInDirectory(files.Folder(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
    CDatabaseSettings::Instance().Initialise();
    server = std::make_unique<CPwdResetServer>(0);
    ASSERT_NE(server->Start(), 0);
  }
  void TearDown() override {
    StopFailingAllocations();
    if (server != nullptr) server->CloseSocket();
    server.reset();
    LogFile().debugLevel = 0;
    LogFile().OpenInDirectory("", 0, 0, "VNK-Pellucor", ".txt");
  }

  std::uint16_t Port() const { return server->LocalPort(); }

  CServiceFiles files;
  std::unique_ptr<CPwdResetServer> server;
};

TEST_F(ConnectionFailureTest, OutOfMemoryEndsThatConnectionOnly) {
  ASSERT_NO_FATAL_FAILURE(StartWith("corp\\alice\tPet?\tRex\n"));
  CClient served(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(served.Lookup("corp", "alice", reply));
  ASSERT_TRUE(ReplySucceeded(reply));

  FailAllocationsFrom(kReadBuffer, true);
  CClient failing(Port());
  ASSERT_TRUE(failing.Connected());
  BuildRequest(reply, REQUEST_LOOKUP_USER, "corp", "alice");
  std::string message;
  EXPECT_EQ(TransactRecord(failing.Socket(), reply, message), 0) << "the lookup was answered";
  StopFailingAllocations();

  // The connection already open and a new one are served.
  ASSERT_TRUE(served.Lookup("corp", "alice", reply));
  EXPECT_TRUE(ReplySucceeded(reply));
  CClient next(Port());
  ASSERT_TRUE(next.Lookup("corp", "alice", reply));
  EXPECT_TRUE(ReplySucceeded(reply));

  server->CloseSocket();
  server.reset();
  const std::string log = files.LogText();
  const std::size_t logged = log.find("Connection from 127.0.0.1 ended by an error: std::bad_alloc\nDisconnection\n");
  EXPECT_NE(logged, std::string::npos) << log;
}

TEST_F(ConnectionFailureTest, LongLinesAreNeverHeldInMemory) {
  // Two lines of megabytes, the last without an end, around two questions.
  std::string text = "corp\\alice\tPet?\tRex\n";
  text += std::string(4 << 20, 'x') + "\r\n";
  text += "corp\\alice\tCity?\tParis\n";
  text += std::string(2 << 20, 'y');
  ASSERT_NO_FATAL_FAILURE(StartWith(text));
  // Nothing larger than the read buffer may be allocated from now on.
  FailAllocationsFrom(kReadBuffer + 1, false);
  CClient client(Port());
  PwdResetRecord reply;
  ASSERT_TRUE(client.Lookup("corp", "alice", reply));
  EXPECT_TRUE(ReplySucceeded(reply)) << ReplyText(reply);
  EXPECT_EQ(QuestionsOf(reply).questions.size(), 2u);
  StopFailingAllocations();
  server->CloseSocket();
  server.reset();
  EXPECT_NE(files.LogText().find("TRACE (9) :     Skipped 2 lines longer than 4096 bytes\n"), std::string::npos);
}

}  // namespace
