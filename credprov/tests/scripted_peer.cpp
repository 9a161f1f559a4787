// The scripted peer's listener, its thread and the record steps a script
// takes.
#include "credprov/tests/scripted_peer.h"

#include <netinet/tcp.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "RemoteSvr/common/record_cipher.h"
#include "tests/support/socket_bytes.h"

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
  const std::string bytes(reinterpret_cast<const char*>(&reply), RECORD_SIZE);
  for (const std::string& piece : CutInPieces(bytes, pieces)) {
    SendRaw(piece);
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

CScriptedPeer::CScriptedPeer(Script script, const char* address, std::uint16_t port) : listener(address, port) {
  thread = std::thread([this, script = std::move(script)] {
    const SOCKET s = listener.Accept(kAcceptWaitMilliseconds);
    if (s == INVALID_SOCKET) {
      ADD_FAILURE() << "no client connected to the scripted peer";
      return;
    }
    // Pieces go out as segments of their own.
    const int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    CPeerConnection connection(s);
    script(connection);
    connection.Close();
  });
}

CScriptedPeer::~CScriptedPeer() { Join(); }

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
