// The typed peer's listener, its byte transport (plain, or OpenSSL's server
// side over the accepted socket) and its own framing of typed messages.
#include "credprov/tests/typed_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/rand.h>

#include <algorithm>
#include <chrono>

#include "tests/support/socket_bytes.h"

namespace {

// Bounds on waiting for the client, so a test that goes wrong ends instead
// of hanging; no test's outcome depends on them.
constexpr int kAcceptWaitMilliseconds = 20000;
constexpr DWORD kReceiveWaitMilliseconds = 20000;
// A message the peer takes at most (the client sends far less).
constexpr std::uint32_t kLargestMessage = 4 * 1024 * 1024;

}  // namespace

// ---------------------------------------------------------------------------
// Bodies

std::string Word32(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return bytes;
}

std::string Word16(std::uint16_t value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Field(const std::optional<std::string>& text) { return text ? *text + '\0' : std::string(); }

std::uint32_t FieldLength(const std::optional<std::string>& text) {
  return text ? static_cast<std::uint32_t>(text->size() + 1) : 0;
}

std::uint32_t ReadWord32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return value;
}

std::string SessionReplyBody(std::uint32_t status, std::uint32_t accepted, std::uint32_t version, std::uint32_t flags,
                             const std::optional<std::string>& text, const std::string& key) {
  return Word32(status) + Word32(accepted) + Word32(version) + Word32(flags) + Word32(FieldLength(text)) +
         Word32(static_cast<std::uint32_t>(key.size())) + Field(text) + key;
}

std::string IdentityReplyBody(std::uint32_t result, std::uint32_t questions, std::uint32_t skips,
                              const std::optional<std::string>& text) {
  return Word32(result) + Word32(questions) + Word32(skips) + Word32(FieldLength(text)) + Field(text);
}

std::string QuestionReplyBody(std::uint32_t result, const std::optional<std::string>& text,
                              const std::optional<std::string>& question, const std::optional<std::string>& hint) {
  return Word32(result) + Word32(FieldLength(text)) + Word32(FieldLength(question)) + Word32(FieldLength(hint)) +
         Field(text) + Field(question) + Field(hint);
}

std::string UserResponseReplyBody(std::uint32_t result, std::uint32_t more, const std::optional<std::string>& text) {
  return Word32(result) + Word32(more) + Word32(FieldLength(text)) + Field(text);
}

std::string ResetReplyBody(std::uint32_t result, std::uint32_t retry, const std::optional<std::string>& text) {
  return Word32(result) + Word32(retry) + Word32(FieldLength(text)) + Field(text);
}

std::string UnlockReplyBody(std::uint32_t result, const std::optional<std::string>& text) {
  return Word32(result) + Word32(FieldLength(text)) + Field(text);
}

// ---------------------------------------------------------------------------
// Bytes

CTypedPeerConnection::CTypedPeerConnection(SOCKET s) : socket(s) {
  const int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  const DWORD wait = kReceiveWaitMilliseconds;
  winsock::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof(wait));
}

CTypedPeerConnection::~CTypedPeerConnection() { Close(); }

void CTypedPeerConnection::Close() {
  if (ssl != nullptr) SSL_free(ssl);
  ssl = nullptr;
  if (socket != INVALID_SOCKET) closesocket(socket);
  socket = INVALID_SOCKET;
}

void CTypedPeerConnection::SendAll(const std::string& bytes) {
  // A client that has given up may be gone: what it makes of that is the
  // test.
  for (std::size_t at = 0; at < bytes.size();) {
    const int count = winsock::send(socket, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
    if (count <= 0) return;
    at += static_cast<std::size_t>(count);
  }
}

void CTypedPeerConnection::Flush() {
  std::string pending;
  char chunk[16384];
  int count;
  while ((count = BIO_read(outgoing, chunk, sizeof(chunk))) > 0) pending.append(chunk, static_cast<std::size_t>(count));
  SendAll(pending);
}

bool CTypedPeerConnection::FeedIncoming() {
  char chunk[16384];
  const int count = winsock::recv(socket, chunk, sizeof(chunk), 0);
  if (count <= 0) return false;
  BIO_write(incoming, chunk, count);
  return true;
}

int CTypedPeerConnection::RawRead(char* buffer, int size) {
  if (ssl == nullptr) return winsock::recv(socket, buffer, size, 0);
  for (;;) {
    const int count = SSL_read(ssl, buffer, size);
    if (count > 0) {
      largestRecord = std::max(largestRecord, static_cast<std::size_t>(count));
      return count;
    }
    const int error = SSL_get_error(ssl, count);
    Flush();
    if (error == SSL_ERROR_WANT_READ) {
      if (!FeedIncoming()) return 0;
      continue;
    }
    if (error == SSL_ERROR_ZERO_RETURN) {
      sawCloseNotify = true;
      return 0;
    }
    ERR_clear_error();
    return -1;
  }
}

bool CTypedPeerConnection::ReadExactly(std::string& bytes, std::size_t length) {
  bytes.assign(length, '\0');
  for (std::size_t at = 0; at < length;) {
    const int count = RawRead(bytes.data() + at, static_cast<int>(std::min<std::size_t>(length - at, 1 << 20)));
    if (count <= 0) {
      bytes.resize(at);
      return false;
    }
    at += static_cast<std::size_t>(count);
  }
  return true;
}

void CTypedPeerConnection::Write(const std::string& bytes) {
  if (ssl == nullptr) {
    SendAll(bytes);
    return;
  }
  for (std::size_t at = 0; at < bytes.size();) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - at, 16384));
    if (SSL_write(ssl, bytes.data() + at, chunk) != chunk) return;
    at += static_cast<std::size_t>(chunk);
  }
  Flush();
}

void CTypedPeerConnection::WriteRecords(const std::vector<std::string>& records) {
  for (const std::string& record : records) SSL_write(ssl, record.data(), static_cast<int>(record.size()));
  Flush();
}

void CTypedPeerConnection::ShutdownTls() {
  SSL_shutdown(ssl);
  Flush();
}

void CTypedPeerConnection::WriteInPieces(const std::string& bytes, int pieces) {
  for (const std::string& piece : CutInPieces(bytes, pieces)) {
    Write(piece);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool CTypedPeerConnection::WaitForClose() {
  char buffer[4096];
  int count;
  while ((count = RawRead(buffer, sizeof(buffer))) > 0) {
  }
  if (ssl == nullptr || !sawCloseNotify) return count == 0;
  // After close_notify the end of the connection follows.
  while ((count = winsock::recv(socket, buffer, sizeof(buffer), 0)) > 0) {
  }
  return count == 0;
}

bool CTypedPeerConnection::AcceptTls(SSL_CTX* context) {
  ssl = SSL_new(context);
  incoming = BIO_new(BIO_s_mem());
  outgoing = BIO_new(BIO_s_mem());
  SSL_set_bio(ssl, incoming, outgoing);
  SSL_set_accept_state(ssl);
  for (;;) {
    const int result = SSL_accept(ssl);
    const int error = result == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl, result);
    Flush();
    if (result == 1) return true;
    if (error != SSL_ERROR_WANT_READ || !FeedIncoming()) {
      ERR_clear_error();
      return false;
    }
  }
}

std::string CTypedPeerConnection::ServerNameAsked() const {
  const char* name = ssl == nullptr ? nullptr : SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
  return name == nullptr ? std::string() : std::string(name);
}

// ---------------------------------------------------------------------------
// Messages

void CTypedPeerConnection::StartBasic(const std::string& sessionKey) {
  basic = true;
  key = sessionKey;
  counter = 0;
}

bool CTypedPeerConnection::Receive(PeerMessage& message) {
  message = PeerMessage();
  std::string header;
  if (!ReadExactly(header, 20)) return false;
  message.totalLength = ReadWord32(header, 0);
  message.magic = ReadWord32(header, 4);
  message.reserved1 = ReadWord32(header, 8);
  message.type = ReadWord32(header, 12);
  message.reserved2 = ReadWord32(header, 16);
  message.wire = header;
  if (message.totalLength < 20 || message.totalLength > kLargestMessage) return false;
  std::uint32_t rest = message.totalLength - 20;
  // Requests without a body come bare, even under Basic security.
  if (basic && rest > 0) {
    if (rest < 8 || !ReadExactly(message.iv, 8)) return false;
    message.wire += message.iv;
    rest -= 8;
  }
  if (!ReadExactly(message.body, rest)) return false;
  message.wire += message.body;
  if (basic && !message.iv.empty()) {
    EXPECT_EQ(rest % 8, 0u) << "an enciphered body of whole blocks";
    if (rest % 8 != 0) return false;
    message.body = PeerBlowfishCbc(PeerMessageKey(counter, message.totalLength, key), message.iv, message.body, false);
    ++counter;
  }
  return true;
}

std::string CTypedPeerConnection::Frame(std::uint32_t type, const std::string& body) {
  if (!basic) {
    return Word32(static_cast<std::uint32_t>(20 + body.size())) + "VNK*" + Word32(0) + Word32(type) + Word32(0) + body;
  }
  std::string padded = body;
  padded.resize((body.size() + 7) / 8 * 8, '\0');
  const auto totalLength = static_cast<std::uint32_t>(28 + padded.size());
  std::string iv(8, '\0');
  RAND_bytes(reinterpret_cast<unsigned char*>(iv.data()), 8);
  const std::string enciphered = PeerBlowfishCbc(PeerMessageKey(counter, totalLength, key), iv, padded, true);
  ++counter;
  return Word32(totalLength) + "VNK*" + Word32(0) + Word32(type) + Word32(0) + iv + enciphered;
}

bool ServeNegotiation(CTypedPeerConnection& connection, std::uint32_t flags, const std::string& key, SSL_CTX* tls) {
  PeerMessage request;
  if (!connection.Receive(request)) return false;
  EXPECT_EQ(request.type, kSessionType);
  EXPECT_EQ(request.totalLength, 5148u);
  EXPECT_EQ(request.body.size(), 5128u);
  EXPECT_EQ(request.body.substr(0, 8), std::string(8, '\0'));
  EXPECT_EQ(ReadWord32(request.body, 8), 2u) << "version";
  EXPECT_EQ(ReadWord32(request.body, 12), flags) << "flags asked for";
  EXPECT_EQ(request.body.find_first_not_of('\0', 16), std::string::npos);
  connection.Reply(kSessionType, SessionReplyBody(0, 1, 2, flags, std::nullopt, (flags & 1) != 0 ? key : ""));
  if ((flags & 1) != 0) connection.StartBasic(key);
  if ((flags & 2) != 0) return tls != nullptr && connection.AcceptTls(tls);
  return true;
}

// ---------------------------------------------------------------------------
// Listener

CTypedPeer::CTypedPeer(Script script, const char* address, std::uint16_t port) : listener(address, port) {
  if (!script) return;
  thread = std::thread([this, script = std::move(script)] {
    const SOCKET s = listener.Accept(kAcceptWaitMilliseconds);
    if (s == INVALID_SOCKET) {
      ADD_FAILURE() << "no client connected to the typed peer";
      return;
    }
    CTypedPeerConnection connection(s);
    script(connection);
  });
}

CTypedPeer::~CTypedPeer() { Join(); }

bool CTypedPeer::ClientWaiting() const { return listener.ClientWaiting(); }

void CTypedPeer::Join() {
  if (thread.joinable()) thread.join();
}
