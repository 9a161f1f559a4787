// The process-wide connection and the four requests of the web object.
#include "webobject/web_record_client.h"

#include <arpa/inet.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "RemoteSvr/common/record_client.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

std::mutex& ConnectionLock() {
  static std::mutex lock;
  return lock;
}

SOCKET serverSocket = INVALID_SOCKET;

void CloseLocked() {
  if (serverSocket != INVALID_SOCKET) closesocket(serverSocket);
  serverSocket = INVALID_SOCKET;
}

// Before a request nothing may be waiting to be read: a readable socket is
// one the service has closed, or one whose stream is out of step.
bool ReadyForRequest(SOCKET s) {
  WSAPOLLFD poll{};
  poll.fd = s;
  poll.events = POLLIN;
  return WSAPoll(&poll, 1, 0) == 0;
}

// One exchange under the lock: the request sent and, for the codes that get
// one, its reply read into `record`. A failed exchange closes the
// connection, so that nothing left of it can be taken for the next reply.
bool Exchange(PwdResetRecord& record) {
  std::lock_guard<std::mutex> hold(ConnectionLock());
  if (serverSocket == INVALID_SOCKET) return false;
  // The shared transfer's texts name socket details; the object has its own.
  std::string detail;
  if (!ReadyForRequest(serverSocket) || TransactRecord(serverSocket, record, detail) != 1) {
    CloseLocked();
    return false;
  }
  return true;
}

// A request of `code` with the record's text form of the arguments.
void BuildWideRequest(PwdResetRecord& record, std::uint32_t code, std::u16string_view domain,
                      std::u16string_view userName, std::u16string_view newPassword = {}) {
  std::string password = Utf16ToUtf8(newPassword);
  CWipeOnExit<char> wipePassword(password);
  BuildRequest(record, code, Utf16ToUtf8(domain), Utf16ToUtf8(userName), password);
}

}  // namespace

void CloseServerSocket() {
  std::lock_guard<std::mutex> hold(ConnectionLock());
  CloseLocked();
}

int ConnectToServer(const HOSTENT& host) {
  std::lock_guard<std::mutex> hold(ConnectionLock());
  CloseLocked();
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
  if (host.h_addr_list == nullptr || host.h_addr_list[0] == nullptr || host.h_length != sizeof(in_addr)) return 0;
  serverSocket = winsock::socket(AF_INET, SOCK_STREAM, 0);
  if (serverSocket == INVALID_SOCKET) return 0;
  SetSocketTimeLimits(serverSocket);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(DEFAULT_PORT);
  std::memcpy(&address.sin_addr, host.h_addr_list[0], sizeof(in_addr));
  if (winsock::connect(serverSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 1;
  CloseLocked();
  return 0;
}

int ConnectToAnyServer(const std::u16string* names, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    std::u16string_view name = names[i];
    while (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
    const std::string narrow = Utf16ToUtf8(name);
    const HOSTENT* host = winsock::gethostbyname(narrow.c_str());
    if (host != nullptr && ConnectToServer(*host)) return 1;
  }
  return 0;
}

bool RecordFieldTextFits(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == 0) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  std::string narrow = Utf16ToUtf8(text);
  const bool fits = narrow.size() <= FIELD_SIZE - 1;
  WipeString(narrow);
  return fits;
}

int LookupUserOnServer(std::u16string_view domain, std::u16string_view userName, COwnStringArray& questions,
                       COwnStringArray& answers, COwnStringArray& hints, std::u16string& replyText) {
  PwdResetRecord record;
  BuildWideRequest(record, REQUEST_LOOKUP_USER, domain, userName);
  if (!Exchange(record)) {
    WipeRecord(record);
    return EXCHANGE_FAILED;
  }
  if (!ReplySucceeded(record)) {
    replyText = Utf8ToUtf16(ReplyText(record));
    WipeRecord(record);
    return LOOKUP_REFUSED;
  }
  std::vector<std::string> replyQuestions, replyHints, replyAnswers;
  const int count = ReplyQuestions(record, replyQuestions, replyHints, replyAnswers);
  WipeRecord(record);
  for (int i = 0; i < count; ++i) {
    answers.Add(Utf8ToUtf16(replyAnswers[static_cast<std::size_t>(i)]));
    questions.Add(Utf8ToUtf16(replyQuestions[static_cast<std::size_t>(i)]));
    hints.Add(Utf8ToUtf16(replyHints[static_cast<std::size_t>(i)]));
    WipeString(replyAnswers[static_cast<std::size_t>(i)]);
  }
  return LOOKUP_GRANTED;
}

int SetPasswordOnServer(std::u16string_view domain, std::u16string_view userName, std::u16string_view newPassword,
                        std::u16string& replyText) {
  PwdResetRecord record;
  BuildWideRequest(record, REQUEST_SET_PASSWORD, domain, userName, newPassword);
  const bool exchanged = Exchange(record);
  if (exchanged) replyText = Utf8ToUtf16(ReplyText(record));
  const bool succeeded = exchanged && ReplySucceeded(record);
  WipeRecord(record);
  if (!exchanged) return EXCHANGE_FAILED;
  return succeeded ? PASSWORD_SET : PASSWORD_REFUSED;
}

int UnlockAccountOnServer(std::u16string_view domain, std::u16string_view userName, std::u16string& replyText) {
  PwdResetRecord record;
  BuildWideRequest(record, REQUEST_UNLOCK_ACCOUNT, domain, userName);
  const bool exchanged = Exchange(record);
  if (exchanged) replyText = Utf8ToUtf16(ReplyText(record));
  const bool succeeded = exchanged && ReplySucceeded(record);
  WipeRecord(record);
  if (!exchanged) return EXCHANGE_FAILED;
  return succeeded ? ACCOUNT_UNLOCKED : UNLOCK_REFUSED;
}

int NotifyFailureToServer(std::u16string_view domain, std::u16string_view userName) {
  PwdResetRecord record;
  BuildWideRequest(record, REQUEST_FAILURE_NOTIFICATION, domain, userName);
  const bool sent = Exchange(record);
  WipeRecord(record);
  return sent ? 1 : 0;
}
