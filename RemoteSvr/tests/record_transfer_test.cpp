// The service's receive and send over real loopback connections: headers and
// records in pieces, back-to-back records, bad headers that are never
// consumed, peers that close or stall, plain requests, and a vanished peer.
#include "RemoteSvr/record_transfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/common/record_client.h"
#include "tests/support/loopback_pair.h"
#include "tests/support/socket_bytes.h"
#include "RemoteSvr/log_file.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"

namespace {

using std::chrono::milliseconds;

std::string Bytes(const PwdResetRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

PwdResetRecord Request(const char* user, std::uint32_t code = REQUEST_LOOKUP_USER) {
  PwdResetRecord record;
  BuildRequest(record, code, "CORP", user);
  EncipherRecordFields(record);
  return record;
}

class RecordTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFile().OpenInDirectory(folder.Path(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
  }
  void TearDown() override { LogFile().OpenInDirectory(std::string(), 0, 0, "VNK-Pellucor", ".txt"); }

  std::vector<std::string> LogLines() const { return FileLines(LogFile().Path()); }

  ScratchFolder folder;
  LoopbackPair pair;
  PwdResetRecord received{};
};

TEST_F(RecordTransferTest, HeaderSplitOnePlusNineteenBytesIsOneAttempt) {
  const std::string bytes = Bytes(Request("split"));
  std::thread client([&] {
    SendInPieces(pair.client, bytes.substr(0, 1), 1, milliseconds(30));
    SendInPieces(pair.client, bytes.substr(1, 19), 1, milliseconds(30));
    SendInPieces(pair.client, bytes.substr(20), 1);
  });
  EXPECT_EQ(ReceiveRecord(pair.server, received), 1);
  client.join();
  EXPECT_EQ(Bytes(received), bytes);
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(RecordTransferTest, RecordInSixtyPiecesIsReadWhole) {
  const std::string bytes = Bytes(Request("sixty"));
  std::thread client([&] { SendInPieces(pair.client, bytes, 60, milliseconds(1)); });
  EXPECT_EQ(ReceiveRecord(pair.server, received), 1);
  client.join();
  EXPECT_EQ(Bytes(received), bytes);
}

TEST_F(RecordTransferTest, TwoRecordsBackToBackAreReadInOrder) {
  const std::string both = Bytes(Request("first")) + Bytes(Request("second"));
  ASSERT_EQ(winsock::send(pair.client, both.data(), static_cast<int>(both.size()), 0), static_cast<int>(both.size()));
  for (const char* user : {"first", "second"}) {
    ASSERT_EQ(ReceiveRecord(pair.server, received), 1);
    DecipherRecordFields(received);
    EXPECT_EQ(RecordText(received.userName), user);
  }
}

TEST_F(RecordTransferTest, BadHeadersGetTenLogLinesAndNoReply) {
  struct Case {
    std::uint32_t magic;
    std::uint32_t length;
    std::string line;
  };
  const Case cases[] = {
      {0x2A4B4E57, RECORD_SIZE, "Invalid message received, header mask 2A4B4E57"},
      {MESSAGE_MAGIC, 5000, "Invalid message received, header size 5000"},
      {0, 0, "Invalid message received, header mask 00000000"},
  };
  for (const Case& c : cases) {
    ScratchFolder caseFolder;
    LogFile().OpenInDirectory(caseFolder.Path(), 0, 1, "VNK-Pellucor", ".txt");
    LoopbackPair connection;
    PwdResetRecord bad = Request("bad");
    bad.header.magic = c.magic;
    bad.header.totalLength = c.length;
    // A good record behind the bad one is never reached.
    const std::string bytes = Bytes(bad) + Bytes(Request("good"));
    winsock::send(connection.client, bytes.data(), static_cast<int>(bytes.size()), 0);
    EXPECT_EQ(ReceiveRecord(connection.server, received), 0) << c.line;
    EXPECT_EQ(LogLines(), std::vector<std::string>(10, c.line));
    connection.CloseServer();
    char byte;
    EXPECT_EQ(winsock::recv(connection.client, &byte, 1, 0), 0) << "a reply was sent";
  }
}

TEST_F(RecordTransferTest, PeerClosingEndsTheConnection) {
  const std::string bytes = Bytes(Request("closing"));
  for (std::size_t sent : {std::size_t{0}, std::size_t{5}, std::size_t{3000}}) {
    ScratchFolder caseFolder;
    LogFile().OpenInDirectory(caseFolder.Path(), 0, 1, "VNK-Pellucor", ".txt");
    LoopbackPair connection;
    if (sent > 0) winsock::send(connection.client, bytes.data(), static_cast<int>(sent), 0);
    connection.CloseClient();
    EXPECT_EQ(ReceiveRecord(connection.server, received), 0) << sent;
    // A broken-off record ends the loop without a line; a close before or
    // inside the header is the peek's failure.
    const auto expected = sent < HEADER_SIZE
                              ? std::vector<std::string>{"TRACE (9) : Error peeking 20 bytes - Graceful shutdown in progress."}
                              : std::vector<std::string>{};
    EXPECT_EQ(LogLines(), expected) << sent;
  }
}

TEST_F(RecordTransferTest, StalledRecordRunsOutOfTime) {
  const std::string bytes = Bytes(Request("stalled"));
  for (std::size_t sent : {std::size_t{1}, std::size_t{3000}}) {
    ScratchFolder caseFolder;
    LogFile().OpenInDirectory(caseFolder.Path(), 0, 1, "VNK-Pellucor", ".txt");
    LoopbackPair connection;
    winsock::send(connection.client, bytes.data(), static_cast<int>(sent), 0);
    EXPECT_EQ(ReceiveRecord(connection.server, received, milliseconds(150)), 0) << sent;
    const auto expected = sent < HEADER_SIZE
                              ? std::vector<std::string>{"TRACE (9) : Error peeking 20 bytes - Connection timed out."}
                              : std::vector<std::string>{};
    EXPECT_EQ(LogLines(), expected) << sent;
  }
}

TEST_F(RecordTransferTest, PlainRequestGetsAnEncipheredReply) {
  PwdResetRecord request;
  BuildRequest(request, REQUEST_UNLOCK_ACCOUNT, "CORP", "plain");
  winsock::send(pair.client, reinterpret_cast<const char*>(&request), RECORD_SIZE, 0);

  ASSERT_EQ(ReceiveRecord(pair.server, received), 1);
  EXPECT_EQ(received.encrypted, 0u);
  DecipherRecordFields(received);
  EXPECT_EQ(RecordText(received.userName), "plain");
  received.result = RESULT_SUCCESS;
  SetRecordText(received.replyText, "Account unlocked");
  EncipherRecordFields(received);
  received.header.totalLength = 0;  // SendReply sets it
  ASSERT_EQ(SendReply(pair.server, received), 1);

  const std::string raw = ReceiveBytes(pair.client, RECORD_SIZE);
  ASSERT_EQ(raw.size(), RECORD_SIZE);
  PwdResetRecord reply;
  std::memcpy(&reply, raw.data(), sizeof(reply));
  EXPECT_EQ(reply.header.totalLength, RECORD_SIZE);
  EXPECT_EQ(reply.header.messageType, REQUEST_UNLOCK_ACCOUNT);
  EXPECT_EQ(reply.encrypted, 1u);
  EXPECT_NE(std::memcmp(reply.userName, "plain", 6), 0);
  DecipherRecordFields(reply);
  EXPECT_EQ(RecordText(reply.userName), "plain");
  EXPECT_EQ(RecordText(reply.replyText), "Account unlocked");
}

TEST_F(RecordTransferTest, RequestAndReplyThroughTheClientHelper) {
  std::thread client([&] {
    PwdResetRecord record;
    BuildRequest(record, REQUEST_SET_PASSWORD, "CORP", "jdoe", "N3w-Secret");
    std::string message;
    EXPECT_EQ(TransactRecord(pair.client, record, message), 1) << message;
    EXPECT_EQ(ReplyText(record), "Password changed");
    EXPECT_TRUE(ReplySucceeded(record));
    WipeRecord(record);
  });
  ASSERT_EQ(ReceiveRecord(pair.server, received), 1);
  DecipherRecordFields(received);
  EXPECT_EQ(RecordText(received.newPassword), "N3w-Secret");
  received.result = RESULT_SUCCESS;
  SetRecordText(received.replyText, "Password changed");
  EncipherRecordFields(received);
  EXPECT_EQ(SendReply(pair.server, received), 1);
  client.join();
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(RecordTransferTest, ReplyToAVanishedPeerFailsWithoutSigpipe) {
  pair.CloseClient();
  PwdResetRecord reply = Request("gone");
  int sent = 1;
  for (int i = 0; i < 100 && sent == 1; ++i) {
    sent = SendReply(pair.server, reply);
    if (sent == 1) std::this_thread::sleep_for(milliseconds(5));
  }
  ASSERT_EQ(sent, 0);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "TRACE (9) : Error sending 5148 bytes to socket " + std::to_string(pair.server));
}

TEST_F(RecordTransferTest, NoTraceLinesBelowTheirLevel) {
  LogFile().debugLevel = 0;
  pair.CloseClient();
  EXPECT_EQ(ReceiveRecord(pair.server, received), 0);
  EXPECT_TRUE(LogLines().empty());
}

}  // namespace
