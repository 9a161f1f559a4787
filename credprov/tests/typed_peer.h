// A version-2 server of the tests' own, since the system has none: a
// loopback listener that plays a script on one connection in a thread of
// its own. Its framing, message key and sequence number are written here
// apart from the client's, from the protocol as it travels, and its TLS side
// is OpenSSL's server; so the client meets an independent reading of every
// byte, and scripts can send what no sound server would.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/winsock/winsock.h"
#include "tests/support/loopback_listener.h"

// One message as the peer received it.
struct PeerMessage {
  std::uint32_t totalLength = 0;
  std::uint32_t magic = 0;
  std::uint32_t reserved1 = 0;
  std::uint32_t type = 0;
  std::uint32_t reserved2 = 0;
  std::string iv;    // empty when none came
  std::string body;  // deciphered, padding included
  std::string wire;  // every byte as it came
};

class CTypedPeerConnection {
 public:
  explicit CTypedPeerConnection(SOCKET s);
  ~CTypedPeerConnection();
  CTypedPeerConnection(const CTypedPeerConnection&) = delete;
  CTypedPeerConnection& operator=(const CTypedPeerConnection&) = delete;

  // --- bytes, plain or inside TLS once AcceptTls succeeded
  // Exactly `length` bytes; false when the client closed first.
  bool ReadExactly(std::string& bytes, std::size_t length);
  // All of `bytes` in one socket write (inside TLS: records of at most
  // 16384 bytes, all in that one write). Never raises SIGPIPE.
  void Write(const std::string& bytes);
  // Inside TLS: one record for each of `records`, all in one socket write.
  void WriteRecords(const std::vector<std::string>& records);
  // Inside TLS: close_notify, then the end of the connection.
  void ShutdownTls();
  // `bytes` in `pieces` writes with a short pause between them.
  void WriteInPieces(const std::string& bytes, int pieces);
  // Whether the client has closed (taking what it still sends); bounded.
  bool WaitForClose();
  // Under TLS, whether the client's close_notify came before the end.
  bool SawCloseNotify() const { return sawCloseNotify; }
  void Close();

  // --- TLS: the server handshake on this connection; false when it failed
  bool AcceptTls(SSL_CTX* context);
  // The name the client asked for (SNI), empty when none.
  std::string ServerNameAsked() const;
  // The sizes of the TLS records' data read so far, largest first.
  std::size_t LargestRecordRead() const { return largestRecord; }

  // --- typed messages, framed as the peer's own state says
  // Basic security from the next message on: counter 0.
  void StartBasic(const std::string& sessionKey);
  std::uint16_t Counter() const { return counter; }
  // Receives one request: under Basic security an IV and an enciphered body
  // when the body is not empty, a bare header otherwise.
  bool Receive(PeerMessage& message);
  // A reply of `type` with `body`: under Basic security an IV always and
  // the body padded and enciphered (the counter advancing).
  std::string Frame(std::uint32_t type, const std::string& body);
  void Reply(std::uint32_t type, const std::string& body) { Write(Frame(type, body)); }

 private:
  int RawRead(char* buffer, int size);
  // Every byte TLS has written, in one socket write.
  void Flush();
  // One socket read handed to TLS; false when the client closed.
  bool FeedIncoming();
  void SendAll(const std::string& bytes);

  SOCKET socket;
  SSL* ssl = nullptr;
  BIO* incoming = nullptr;  // TLS reads from here (memory, owned by ssl)
  BIO* outgoing = nullptr;  // and writes here, sent at each flush
  bool basic = false;
  std::string key;
  std::uint16_t counter = 0;
  std::size_t largestRecord = 0;
  bool sawCloseNotify = false;
};

class CTypedPeer {
 public:
  using Script = std::function<void(CTypedPeerConnection&)>;

  // Listens on `address` at `port` (0: a free one) and runs `script` on the
  // first connection; with no script it accepts nothing.
  explicit CTypedPeer(Script script, const char* address = "127.0.0.1", std::uint16_t port = 0);
  ~CTypedPeer();
  CTypedPeer(const CTypedPeer&) = delete;
  CTypedPeer& operator=(const CTypedPeer&) = delete;

  std::uint16_t Port() const { return listener.Port(); }
  // Whether a client is waiting to be accepted.
  bool ClientWaiting() const;
  void Join();

 private:
  LoopbackListener listener;
  std::thread thread;
};

// --- bodies, built from the protocol's tables
std::string Word32(std::uint32_t value);
std::string Word16(std::uint16_t value);
// A string field's bytes: the text and its NUL; nothing when absent.
std::string Field(const std::optional<std::string>& text);
std::uint32_t FieldLength(const std::optional<std::string>& text);
std::uint32_t ReadWord32(const std::string& bytes, std::size_t at);

std::string SessionReplyBody(std::uint32_t status, std::uint32_t accepted, std::uint32_t version, std::uint32_t flags,
                             const std::optional<std::string>& text, const std::string& key);
std::string IdentityReplyBody(std::uint32_t result, std::uint32_t questions, std::uint32_t skips,
                              const std::optional<std::string>& text);
std::string QuestionReplyBody(std::uint32_t result, const std::optional<std::string>& text,
                              const std::optional<std::string>& question, const std::optional<std::string>& hint);
std::string UserResponseReplyBody(std::uint32_t result, std::uint32_t more, const std::optional<std::string>& text);
std::string ResetReplyBody(std::uint32_t result, std::uint32_t retry, const std::optional<std::string>& text);
std::string UnlockReplyBody(std::uint32_t result, const std::optional<std::string>& text);

// The peer's own Blowfish-CBC (peer_blowfish.cpp): `data` a multiple of 8.
std::string PeerBlowfishCbc(const std::string& key, const std::string& iv, const std::string& data, bool encipher);
// The per-message key as the peer builds it.
std::string PeerMessageKey(std::uint16_t counter, std::uint32_t totalLength, const std::string& sessionKey);

// The negotiation as a sound server runs it: reads the session request
// (checking its layout), accepts `flags` with `key`, then starts Basic
// security and TLS as agreed. False when anything went wrong.
bool ServeNegotiation(CTypedPeerConnection& connection, std::uint32_t flags, const std::string& key = "k",
                      SSL_CTX* tls = nullptr);

inline constexpr std::uint32_t kSessionType = 0x10000;
inline constexpr std::uint32_t kIdentityType = 0x10001;
inline constexpr std::uint32_t kNextQuestionType = 0x10002;
inline constexpr std::uint32_t kUserResponseType = 0x10003;
inline constexpr std::uint32_t kResetType = 0x10004;
inline constexpr std::uint32_t kUnlockType = 0x10005;
