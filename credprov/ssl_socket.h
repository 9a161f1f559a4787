// The provider's socket that can carry its byte stream inside TLS: plain at
// first (the typed messages negotiate in the clear), then switched to TLS on
// the same connection by StartTls. TLS is OpenSSL's libssl over memory BIOs,
// so every byte still goes through CSocket's Send and Recv; the trust rules
// are server_certificate_check.h. A session sees the same calls and the
// same bytes either way.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <string>

#include "credprov/secret_buffer.h"
#include "credprov/socket.h"
#include "platform/base/wintypes.h"

class CSslSocket : public CSocket {
 public:
  CSslSocket() = default;
  // Frees the TLS state and wipes decrypted bytes not yet taken; the socket
  // itself is left to CSocket.
  ~CSslSocket() override;

  // Opens the stream socket. Nonzero on success; 0 with the Windows Sockets
  // error as last error.
  int Create();
  // On: no handshake at Connect, and plain traffic allowed until StartTls.
  // Nothing changes once TLS is up.
  void SetPlainMode(int on);
  // CSocket::Connect, keeping `host` as the name the server's certificate
  // must match; then, unless deferred, the handshake. Nonzero on success.
  int Connect(const char* host, std::uint16_t port);
  // The handshake with the server connected to. Nonzero on success. Fails at
  // once when TLS is already up or nothing was connected. From its first
  // message on, plain traffic is over: after a handshake that failed then,
  // Send and Recv return 0.
  int StartTls();

  // Shuts TLS down (close_notify), then closes the socket.
  int Close() override;
  // Plain: CSocket::Send when allowed, else 0. TLS: the data as records of
  // at most 16384 bytes each; the count of data bytes sent, 0 after a TLS
  // failure, SOCKET_ERROR after a socket error.
  int Send(const char* data, int length, int flags) override;
  // Plain: CSocket::Recv when allowed, else 0. TLS: decrypted bytes not yet
  // taken, without a network read; else one network read at a time until
  // data decrypts, every whole record of it decrypted, the part beyond
  // `size` kept for the next calls. 0 when the peer closed or on failure.
  int Recv(char* buffer, int size, int flags) override;

  // The code of this object's latest failure (also the thread's last error).
  DWORD LastError() const { return lastError; }
  bool IsSecure() const { return secure; }

 private:
  int ClientHandshake(const std::string& host);
  // Builds the context and the connection for `host`; false with the last
  // error set (nothing sent yet).
  bool PrepareTls(const std::string& host);
  // Sends what TLS has written; false with the socket's error.
  bool FlushOutgoing();
  // Feeds one network read to TLS; false with the last error set.
  bool ReadIncoming();
  // Decrypts every record at hand into `leftover`, reading the network while
  // nothing has decrypted yet.
  void GatherPlaintext();
  void FreeTls();
  void Fail(DWORD code);
  static int RefuseCertificateRequest(SSL* ssl, void* self);

  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  BIO* incoming = nullptr;  // owned by ssl once attached
  BIO* outgoing = nullptr;  // owned by ssl once attached
  bool secure = false;
  bool plainAllowed = false;
  bool deferred = false;
  bool certificateRequested = false;
  CSecretBuffer leftover;
  std::string serverName;
  DWORD lastError = 0;
};
