// A stand-in reset service of the tests' own: a loopback listener that
// accepts one connection and plays a script on it in a thread of its own, so
// a session can meet replies the real service never sends (pieces, missing
// zero bytes, silence, an early close).
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "platform/winsock/winsock.h"
#include "tests/support/loopback_listener.h"

// The accepted connection as a script sees it.
class CPeerConnection {
 public:
  explicit CPeerConnection(SOCKET s) : socket(s) {}

  // One whole request, its fields deciphered; false when the client closed
  // (or sent a part only).
  bool Receive(PwdResetRecord& request);
  // Enciphers the reply's fields and sends all its bytes in `pieces` writes.
  void Reply(PwdResetRecord reply, int pieces = 1);
  // Sends bytes as they are.
  void SendRaw(const std::string& bytes);
  // Waits until the client closes (taking anything it still sends).
  void WaitForClose();
  void Close();

 private:
  SOCKET socket;
};

class CScriptedPeer {
 public:
  using Script = std::function<void(CPeerConnection&)>;

  // Listens on 127.0.0.1 at a free port, or on `address` at `port` when
  // given, and runs `script` on the first connection.
  explicit CScriptedPeer(Script script, const char* address = "127.0.0.1", std::uint16_t port = 0);
  // Waits for the script to end.
  ~CScriptedPeer();
  CScriptedPeer(const CScriptedPeer&) = delete;
  CScriptedPeer& operator=(const CScriptedPeer&) = delete;

  std::uint16_t Port() const { return listener.Port(); }
  // Waits for the script to end.
  void Join();

 private:
  LoopbackListener listener;
  std::thread thread;
};

// A reply of the service to `request`: its header, the result, the reply
// text and, slot by slot, question, hint and stored answer.
struct CReplyQuestion {
  std::string question;
  std::string hint;
  std::string answer;
};
PwdResetRecord MakeReply(const PwdResetRecord& request, bool succeeded, const std::string& text,
                         const std::vector<CReplyQuestion>& slots = {});
