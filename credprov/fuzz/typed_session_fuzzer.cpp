// Feeds the typed-message session's reader arbitrary server bytes: a server
// thread on loopback answers each connection with a sound negotiation (plain
// or Basic security, by the input's first byte) followed by the input's
// remaining bytes, then ends its side; the session runs its operations
// against them over a real socket.
#include <arpa/inet.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "credprov/modern_pwd_reset_session.h"
#include "platform/winsock/winsock.h"

namespace {

std::string Word32(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return bytes;
}

// The accepted reply to a negotiation asking for `flags` (no TLS here).
std::string Negotiation(std::uint32_t flags) {
  const std::string key = (flags & 1) != 0 ? "fuzz-key" : "";
  const std::string body = Word32(0) + Word32(1) + Word32(2) + Word32(flags) + Word32(0) +
                           Word32(static_cast<std::uint32_t>(key.size())) + key;
  return Word32(static_cast<std::uint32_t>(20 + body.size())) + "VNK*" + Word32(0) + Word32(0x10000) + Word32(0) +
         body;
}

// One connection at a time: the bytes to answer with are set before the
// session connects, and the main thread waits until the server is done.
class CServer {
 public:
  CServer() {
    listener = winsock::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    winsock::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof(local));
    winsock::listen(listener, 4);
    int length = sizeof(local);
    winsock::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length);
    port = ntohs(local.sin_port);
    std::thread([this] { Serve(); }).detach();
  }

  void Expect(std::string answer) {
    std::lock_guard<std::mutex> lock(mutex);
    bytes = std::move(answer);
    finished = false;
  }
  void WaitUntilDone() {
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [this] { return finished; });
  }
  std::uint16_t Port() const { return port; }

 private:
  void Serve() {
    for (;;) {
      const SOCKET s = winsock::accept(listener, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      std::string answer;
      {
        std::lock_guard<std::mutex> lock(mutex);
        answer = bytes;
      }
      for (std::size_t at = 0; at < answer.size();) {
        const int sent = winsock::send(s, answer.data() + at, static_cast<int>(answer.size() - at), 0);
        if (sent <= 0) break;
        at += static_cast<std::size_t>(sent);
      }
      ::shutdown(s, SHUT_WR);
      char drain[8192];
      while (winsock::recv(s, drain, sizeof(drain), 0) > 0) {
      }
      closesocket(s);
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
      done.notify_all();
    }
  }

  SOCKET listener = INVALID_SOCKET;
  std::uint16_t port = 0;
  std::mutex mutex;
  std::condition_variable done;
  std::string bytes;
  bool finished = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CServer server;
  if (size < 1) return 0;
  const bool basic = (data[0] & 1) != 0;
  const unsigned order = data[0] >> 1;
  server.Expect(Negotiation(basic ? 1 : 0) + std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  {
    CModernPwdResetSession session;
    // The server ends its side after its bytes, so no read waits for long.
    session.SetTimeLimit(std::chrono::milliseconds(2000));
    if (session.Connect(u"127.0.0.1", server.Port(), basic, false)) {
      bool retry = false, done = false;
      session.EstablishIdentity(u"corp", u"fuzz");
      for (unsigned i = 0; i < 8; ++i) {
        switch ((order + i) % 6) {
          case 0:
            session.NextQuestion();
            (void)session.GetQuestionText();
            (void)session.GetHintText();
            break;
          case 1:
            session.AnswerQuestion(u"answer", retry, done);
            break;
          case 2:
            session.SkipQuestion(done);
            break;
          case 3:
            session.ResetPassword(u"new password", retry);
            break;
          case 4:
            session.UnlockAccount();
            break;
          default:
            session.EstablishIdentity(u"corp", u"fuzz");
            break;
        }
      }
    }
  }
  server.WaitUntilDone();
  return 0;
}
