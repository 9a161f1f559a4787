// The client's side of the record transfer against a stand-in service on
// loopback that reads and writes raw bytes, deciphering with libcrypto
// through our cipher only where the test says so.
#include "RemoteSvr/common/record_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "RemoteSvr/common/hashed_answer.h"
#include "RemoteSvr/common/record_cipher.h"
#include "tests/support/loopback_pair.h"
#include "tests/support/socket_bytes.h"

namespace {

using std::chrono::milliseconds;

std::string Bytes(const PwdResetRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

PwdResetRecord FromBytes(const std::string& bytes) {
  PwdResetRecord record;
  EXPECT_EQ(bytes.size(), sizeof(record));
  std::memcpy(&record, bytes.data(), sizeof(record));
  return record;
}

TEST(RecordClient, LookupRoundTripGivesTheQuestionsUpToTheFirstEmptyOne) {
  LoopbackPair pair;
  std::thread service([&] {
    PwdResetRecord request = FromBytes(ReceiveBytes(pair.server, RECORD_SIZE));
    EXPECT_EQ(request.encrypted, 1u);
    DecipherRecordFields(request);
    EXPECT_EQ(RecordText(request.domain), "CORP");
    EXPECT_EQ(RecordText(request.userName), "jdoe");
    request.result = RESULT_SUCCESS;
    SetRecordText(request.questions[0], "Pet?");
    SetRecordText(request.hints[0], "furry");
    SetRecordText(request.answers[0], "Rex");
    SetRecordText(request.questions[1], "City?");
    SetRecordText(request.answers[1], HashedAnswer("Paris"));
    SetRecordText(request.questions[3], "after the gap");
    EncipherRecordFields(request);
    SendInPieces(pair.server, Bytes(request), 3);
  });
  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, "CORP", "jdoe");
  std::string message;
  ASSERT_EQ(TransactRecord(pair.client, record, message), 1) << message;
  service.join();
  EXPECT_TRUE(ReplySucceeded(record));
  std::vector<std::string> questions, hints, answers;
  ASSERT_EQ(ReplyQuestions(record, questions, hints, answers), 2);
  EXPECT_EQ(questions, (std::vector<std::string>{"Pet?", "City?"}));
  EXPECT_EQ(hints, (std::vector<std::string>{"furry", ""}));
  EXPECT_TRUE(AnswerMatches(answers[0], "REX"));
  EXPECT_TRUE(AnswerMatches(answers[1], "paris"));
  WipeRecord(record);
}

TEST(RecordClient, RefusalCarriesTheReplyText) {
  LoopbackPair pair;
  std::thread service([&] {
    PwdResetRecord request = FromBytes(ReceiveBytes(pair.server, RECORD_SIZE));
    request.result = RESULT_FAILURE;
    SetRecordText(request.replyText, "Password too short");
    // Plain reply: encrypted stays as the request had it, then cleared.
    request.encrypted = 0;
    winsock::send(pair.server, reinterpret_cast<const char*>(&request), RECORD_SIZE, 0);
  });
  PwdResetRecord record;
  BuildRequest(record, REQUEST_SET_PASSWORD, "CORP", "jdoe", "abc");
  std::string message;
  ASSERT_EQ(TransactRecord(pair.client, record, message), 1) << message;
  service.join();
  EXPECT_FALSE(ReplySucceeded(record));
  EXPECT_EQ(ReplyText(record), "Password too short");
  WipeRecord(record);
}

TEST(RecordClient, FailureNotificationReadsNoReply) {
  LoopbackPair pair;
  std::string message;
  ASSERT_EQ(SendFailureNotification(pair.client, "CORP", "jdoe", message), 1) << message;
  PwdResetRecord sent = FromBytes(ReceiveBytes(pair.server, RECORD_SIZE));
  EXPECT_EQ(sent.header.messageType, REQUEST_FAILURE_NOTIFICATION);
  DecipherRecordFields(sent);
  EXPECT_EQ(RecordText(sent.userName), "jdoe");
  // Code 7 likewise: sent, nothing awaited.
  PwdResetRecord other;
  BuildRequest(other, 7, "CORP", "jdoe");
  EXPECT_EQ(TransactRecord(pair.client, other, message), 1);
  EXPECT_EQ(ReceiveBytes(pair.server, RECORD_SIZE).size(), RECORD_SIZE);
}

TEST(RecordClient, ReplyFailures) {
  struct Case {
    const char* name;
    std::function<void(LoopbackPair&)> service;
    milliseconds limit;
    std::string message;
  };
  const Case cases[] = {
      {"bad size",
       [](LoopbackPair& pair) {
         PwdResetRecord reply = FromBytes(ReceiveBytes(pair.server, RECORD_SIZE));
         reply.header.totalLength = 4000;
         winsock::send(pair.server, reinterpret_cast<const char*>(&reply), RECORD_SIZE, 0);
       },
       milliseconds(5000), "Error: Invalid header size (4000 bytes)"},
      {"bad magic",
       [](LoopbackPair& pair) {
         PwdResetRecord reply = FromBytes(ReceiveBytes(pair.server, RECORD_SIZE));
         reply.header.magic = 0x11223344;
         winsock::send(pair.server, reinterpret_cast<const char*>(&reply), RECORD_SIZE, 0);
       },
       milliseconds(5000), "Error: Invalid header mask 11223344"},
      {"closed before the reply",
       [](LoopbackPair& pair) {
         ReceiveBytes(pair.server, RECORD_SIZE);
         pair.CloseServer();
       },
       milliseconds(5000), "Error peeking 20 bytes - Graceful shutdown in progress."},
      {"closed inside the reply",
       [](LoopbackPair& pair) {
         const std::string request = ReceiveBytes(pair.server, RECORD_SIZE);
         winsock::send(pair.server, request.data(), 3000, 0);
         pair.CloseServer();
       },
       milliseconds(5000), "Read error - Graceful shutdown in progress."},
      {"silent service",
       [](LoopbackPair& pair) { ReceiveBytes(pair.server, RECORD_SIZE); },
       milliseconds(100), "Error peeking 20 bytes - Connection timed out."},
      {"stalled inside the reply",
       [](LoopbackPair& pair) {
         const std::string request = ReceiveBytes(pair.server, RECORD_SIZE);
         winsock::send(pair.server, request.data(), 100, 0);
       },
       milliseconds(100), "Read error - Connection timed out."},
  };
  for (const Case& c : cases) {
    LoopbackPair pair;
    PwdResetRecord record;
    BuildRequest(record, REQUEST_UNLOCK_ACCOUNT, "CORP", "jdoe");
    std::string message;
    ASSERT_EQ(SendRequest(pair.client, record, message), 1) << c.name;
    std::thread service([&] { c.service(pair); });
    service.join();
    EXPECT_EQ(ReceiveReply(pair.client, record, message, c.limit), 0) << c.name;
    EXPECT_EQ(message, c.message) << c.name;
  }
}

TEST(RecordClient, ClientsOwnReceiveTimeOutIsKept) {
  LoopbackPair pair;
  const DWORD own = 7000;
  winsock::setsockopt(pair.client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&own), sizeof(own));
  std::thread service([&] {
    const std::string request = ReceiveBytes(pair.server, RECORD_SIZE);
    winsock::send(pair.server, request.data(), RECORD_SIZE, 0);
  });
  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, "CORP", "jdoe");
  std::string message;
  EXPECT_EQ(TransactRecord(pair.client, record, message), 1) << message;
  service.join();
  DWORD after = 0;
  int size = sizeof(after);
  winsock::getsockopt(pair.client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&after), &size);
  EXPECT_GE(after, 7000u);
  EXPECT_LT(after, 7100u);
}

TEST(RecordClient, SendOnAClosedSocketFails) {
  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, "CORP", "jdoe");
  std::string message;
  EXPECT_EQ(TransactRecord(INVALID_SOCKET, record, message), 0);
  EXPECT_EQ(message, "Error sending 5148 bytes to socket 4294967295");
}

}  // namespace
