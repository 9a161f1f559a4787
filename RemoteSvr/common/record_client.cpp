// The client duties of the record protocol.
#include "RemoteSvr/common/record_client.h"

#include <cstdarg>
#include <cstdio>

#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/common/wsa_error_text.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  return text;
}

std::string LastSocketErrorText() { return CWsaErrorText(WSAGetLastError()).text; }

bool ExpectsReply(std::uint32_t code) {
  return code == REQUEST_LOOKUP_USER || code == REQUEST_SET_PASSWORD || code == REQUEST_UNLOCK_ACCOUNT;
}

constexpr int kHeaderBytes = static_cast<int>(HEADER_SIZE);
constexpr int kRecordBytes = static_cast<int>(RECORD_SIZE);

}  // namespace

void BuildRequest(PwdResetRecord& record, std::uint32_t code, std::string_view domain, std::string_view userName,
                  std::string_view newPassword) {
  ClearRecord(record);
  SetRecordHeader(record, code);
  record.result = 0;
  SetRecordText(record.domain, domain);
  SetRecordText(record.userName, userName);
  if (code == REQUEST_SET_PASSWORD) SetRecordText(record.newPassword, newPassword);
}

int SendRequest(SOCKET s, PwdResetRecord& record, std::string& message) {
  EncipherRecordFields(record);
  record.header.totalLength = RECORD_SIZE;
  record.header.magic = MESSAGE_MAGIC;
  const char* const bytes = reinterpret_cast<const char*>(&record);
  int sent = 0;
  for (int call = 0; call < MAX_TRANSFER_CALLS && sent < kRecordBytes; ++call) {
    const int count = winsock::send(s, bytes + sent, kRecordBytes - sent, 0);
    if (count == SOCKET_ERROR) {
      message = Format("Error sending %u bytes to socket %u", static_cast<unsigned>(kRecordBytes - sent),
                       static_cast<unsigned>(s));
      return 0;
    }
    sent += count;
  }
  if (sent < kRecordBytes) {
    message = Format("Failed to send %u bytes to socket %u: %s", static_cast<unsigned>(kRecordBytes),
                     static_cast<unsigned>(s), LastSocketErrorText().c_str());
    return 0;
  }
  return 1;
}

int ReceiveReply(SOCKET s, PwdResetRecord& reply, std::string& message, std::chrono::milliseconds limit) {
  const CKeepReceiveTimeout keepTimeout(s);
  const auto deadline = TransferClock::now() + limit;
  char* const bytes = reinterpret_cast<char*>(&reply);
  for (;;) {
    if (WaitReadable(s, deadline) != 1) {
      message = Format("Error peeking %d bytes - %s", kHeaderBytes, LastSocketErrorText().c_str());
      return 0;
    }
    const int peeked = PeekFull(s, bytes, kHeaderBytes, deadline);
    if (peeked == SOCKET_ERROR || peeked == 0) {
      message = Format("Error peeking %d bytes - %s", kHeaderBytes, LastSocketErrorText().c_str());
      return 0;
    }
    if (peeked == kHeaderBytes) break;
  }
  // Whatever else the peer sent, it is no reply of this protocol.
  if (reply.header.magic != MESSAGE_MAGIC) {
    message = Format("Error: Invalid header mask %08X", static_cast<unsigned>(reply.header.magic));
    return 0;
  }
  if (reply.header.totalLength != RECORD_SIZE) {
    message = Format("Error: Invalid header size (%d bytes)", static_cast<int>(reply.header.totalLength));
    return 0;
  }
  if (ReceiveFull(s, bytes, kRecordBytes, deadline) != kRecordBytes) {
    message = Format("Read error - %s", LastSocketErrorText().c_str());
    return 0;
  }
  DecipherRecordFields(reply);
  return 1;
}

int TransactRecord(SOCKET s, PwdResetRecord& record, std::string& message) {
  const std::uint32_t code = record.header.messageType;
  if (!SendRequest(s, record, message)) return 0;
  if (!ExpectsReply(code)) return 1;
  WipeRecord(record);
  return ReceiveReply(s, record, message);
}

bool ReplySucceeded(const PwdResetRecord& reply) { return reply.result != RESULT_FAILURE; }

std::string ReplyText(const PwdResetRecord& reply) { return std::string(RecordText(reply.replyText)); }

int ReplyQuestions(const PwdResetRecord& reply, std::vector<std::string>& questions,
                   std::vector<std::string>& hints, std::vector<std::string>& answers) {
  questions.clear();
  hints.clear();
  answers.clear();
  int count = 0;
  while (count < MAX_QUESTIONS && !RecordText(reply.questions[count]).empty()) {
    questions.emplace_back(RecordText(reply.questions[count]));
    hints.emplace_back(RecordText(reply.hints[count]));
    answers.emplace_back(RecordText(reply.answers[count]));
    ++count;
  }
  return count;
}

int SendFailureNotification(SOCKET s, std::string_view domain, std::string_view userName, std::string& message) {
  PwdResetRecord record;
  BuildRequest(record, REQUEST_FAILURE_NOTIFICATION, domain, userName);
  const int sent = SendRequest(s, record, message);
  WipeRecord(record);
  return sent;
}
