// The scripted peer's listener, its thread and the record steps a script
// takes.
#include "credprov/tests/scripted_peer.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/common/tests/loopback.h"

namespace {

// A bound on waiting for the client to connect, so a test that never
// connects fails instead of hanging; no test's outcome depends on it.
constexpr int kAcceptWaitMilliseconds = 20000;

}  // namespace

bool CPeerConnection::Receive(PwdResetRecord& request) {
  const std::string bytes = ReceiveBytes(socket, RECORD_SIZE);
  if (bytes.size() != RECORD_SIZE) return false;
  std::memcpy(&request, bytes.data(), RECORD_SIZE);
  DecipherRecordFields(request);
  return true;
}

void CPeerConnection::Reply(PwdResetRecord reply, int pieces) {
  EncipherRecordFields(reply);
  const char* const bytes = reinterpret_cast<const char*>(&reply);
  std::size_t at = 0;
  for (int i = 0; i < pieces && at < RECORD_SIZE; ++i) {
    const std::size_t left = RECORD_SIZE - at;
    const std::size_t size = i == pieces - 1 ? left : std::max<std::size_t>(1, left / static_cast<std::size_t>(pieces - i));
    SendRaw(std::string(bytes + at, size));
    at += size;
    // Let each piece leave as a segment of its own.
    if (pieces > 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void CPeerConnection::SendRaw(const std::string& bytes) {
  // A client that has given up may be gone: what it makes of that is the test.
  winsock::send(socket, bytes.data(), static_cast<int>(bytes.size()), 0);
}

void CPeerConnection::WaitForClose() {
  char buffer[RECORD_SIZE];
  while (winsock::recv(socket, buffer, sizeof(buffer), 0) > 0) {
  }
}

void CPeerConnection::Close() {
  if (socket != INVALID_SOCKET) closesocket(socket);
  socket = INVALID_SOCKET;
}

CScriptedPeer::CScriptedPeer(Script script, const char* address, std::uint16_t wantedPort) {
  listener = winsock::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(wantedPort);
  inet_pton(AF_INET, address, &local.sin_addr);
  EXPECT_EQ(winsock::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
  EXPECT_EQ(winsock::listen(listener, 4), 0);
  int length = sizeof(local);
  winsock::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length);
  port = ntohs(local.sin_port);
  thread = std::thread([this, on, script = std::move(script)] {
    WSAPOLLFD entry{listener, POLLIN, 0};
    if (WSAPoll(&entry, 1, kAcceptWaitMilliseconds) != 1) {
      ADD_FAILURE() << "no client connected to the scripted peer";
      return;
    }
    const SOCKET s = winsock::accept(listener, nullptr, nullptr);
    // Pieces go out as segments of their own.
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    CPeerConnection connection(s);
    script(connection);
    connection.Close();
  });
}

CScriptedPeer::~CScriptedPeer() {
  Join();
  closesocket(listener);
}

void CScriptedPeer::Join() {
  if (thread.joinable()) thread.join();
}

PwdResetRecord MakeReply(const PwdResetRecord& request, bool succeeded, const std::string& text,
                         const std::vector<CReplyQuestion>& slots) {
  PwdResetRecord reply;
  ClearRecord(reply);
  reply.header = request.header;
  reply.result = succeeded ? RESULT_SUCCESS : RESULT_FAILURE;
  std::memcpy(reply.domain, request.domain, FIELD_SIZE);
  std::memcpy(reply.userName, request.userName, FIELD_SIZE);
  SetRecordText(reply.replyText, text);
  for (std::size_t i = 0; i < slots.size() && i < MAX_QUESTIONS; ++i) {
    SetRecordText(reply.questions[i], slots[i].question);
    SetRecordText(reply.hints[i], slots[i].hint);
    SetRecordText(reply.answers[i], slots[i].answer);
  }
  return reply;
}
