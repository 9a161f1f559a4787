// The TLS socket: plain mode, the handshake over memory BIOs, records in and
// out, and the shutdown. Every byte on the wire goes through CSocket::Send
// and CSocket::Recv, so the socket's time-outs bound every wait.
#include "credprov/ssl_socket.h"

#include <openssl/err.h>

#include <algorithm>

#include "credprov/security_status.h"
#include "credprov/server_certificate_check.h"
#include "platform/base/last_error.h"
#include "platform/base/wipe.h"

namespace {

// The largest record's data; a longer send is cut into records of this.
constexpr int kMaxRecordData = 16384;
// One network read: a whole largest record with its header and overhead.
constexpr int kNetworkReadSize = kMaxRecordData + 2048;

}  // namespace

CSslSocket::~CSslSocket() { FreeTls(); }

void CSslSocket::Fail(DWORD code) {
  lastError = code;
  SetLastError(code);
}

void CSslSocket::FreeTls() {
  if (ssl != nullptr) {
    SSL_free(ssl);  // frees both BIOs with it
  } else {
    BIO_free(incoming);
    BIO_free(outgoing);
  }
  ssl = nullptr;
  incoming = nullptr;
  outgoing = nullptr;
  SSL_CTX_free(context);
  context = nullptr;
  secure = false;
  leftover.Clear();
}

int CSslSocket::Create() {
  // A fresh socket carries no TLS of an earlier one.
  FreeTls();
  if (!CSocket::Create(SOCK_STREAM)) {
    Fail(static_cast<DWORD>(WSAGetLastError()));
    return 0;
  }
  return 1;
}

void CSslSocket::SetPlainMode(int on) {
  if (secure) return;
  plainAllowed = on != 0;
  deferred = on != 0;
}

int CSslSocket::Connect(const char* host, std::uint16_t port) {
  if (!CSocket::Connect(host, port)) {
    Fail(static_cast<DWORD>(WSAGetLastError()));
    return 0;
  }
  serverName = host;
  if (deferred) return 1;
  secure = ClientHandshake(serverName) != 0;
  return secure ? 1 : 0;
}

int CSslSocket::StartTls() {
  if (secure || serverName.empty()) return 0;
  secure = ClientHandshake(serverName) != 0;
  return secure ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Handshake

int CSslSocket::RefuseCertificateRequest(SSL*, void* self) {
  static_cast<CSslSocket*>(self)->certificateRequested = true;
  return 0;
}

bool CSslSocket::PrepareTls(const std::string& host) {
  FreeTls();
  certificateRequested = false;
  ERR_clear_error();
  context = NewVerifyingClientContext(RefuseCertificateRequest, this);
  if (context != nullptr) ssl = SSL_new(context);
  if (ssl != nullptr) {
    incoming = BIO_new(BIO_s_mem());
    outgoing = BIO_new(BIO_s_mem());
  }
  if (incoming == nullptr || outgoing == nullptr) {
    FreeTls();
    Fail(ERROR_OUTOFMEMORY);
    return false;
  }
  SSL_set_bio(ssl, incoming, outgoing);
  // An empty incoming BIO asks for more rather than reporting the end.
  BIO_set_mem_eof_return(incoming, -1);
  SSL_set_connect_state(ssl);
  if (!SetExpectedServer(ssl, host.c_str())) {
    FreeTls();
    Fail(SEC_E_WRONG_PRINCIPAL);
    return false;
  }
  return true;
}

int CSslSocket::ClientHandshake(const std::string& host) {
  if (!PrepareTls(host)) return 0;
  for (;;) {
    ERR_clear_error();
    const int result = SSL_connect(ssl);
    const int error = result == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl, result);
    // The first handshake message ends plain traffic, whatever follows. A
    // failure's alert goes out too, as far as the socket takes it.
    if (BIO_ctrl_pending(outgoing) > 0) {
      plainAllowed = false;
      deferred = false;
      if (!FlushOutgoing()) {
        FreeTls();
        return 0;
      }
    }
    if (result == 1) break;
    if (error == SSL_ERROR_WANT_READ) {
      if (!ReadIncoming()) {
        FreeTls();
        return 0;
      }
      continue;
    }
    DWORD code = SEC_E_INTERNAL_ERROR;
    if (certificateRequested) {
      code = SEC_I_INCOMPLETE_CREDENTIALS;
    } else if (const DWORD verification = VerificationFailureCode(SSL_get_verify_result(ssl)); verification != 0) {
      code = verification;
    }
    FreeTls();
    Fail(code);
    return 0;
  }
  // Every verification failure fails the handshake, whatever its code.
  if (const DWORD verification = CheckVerifiedServer(ssl); verification != 0) {
    FreeTls();
    Fail(verification);
    return 0;
  }
  plainAllowed = false;
  return 1;
}

bool CSslSocket::FlushOutgoing() {
  char chunk[kNetworkReadSize];
  for (;;) {
    const int count = BIO_read(outgoing, chunk, sizeof(chunk));
    if (count <= 0) return true;
    for (int sent = 0; sent < count;) {
      const int result = CSocket::Send(chunk + sent, count - sent, 0);
      if (result <= 0) {
        Fail(static_cast<DWORD>(result == 0 ? WSAECONNRESET : WSAGetLastError()));
        return false;
      }
      sent += result;
    }
  }
}

bool CSslSocket::ReadIncoming() {
  char chunk[kNetworkReadSize];
  const int count = CSocket::Recv(chunk, sizeof(chunk), 0);
  if (count < 0) {
    Fail(static_cast<DWORD>(WSAGetLastError()));
    return false;
  }
  if (count == 0) {
    Fail(ERROR_VC_DISCONNECTED);
    return false;
  }
  if (BIO_write(incoming, chunk, count) != count) {
    Fail(ERROR_OUTOFMEMORY);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Traffic

int CSslSocket::Send(const char* data, int length, int flags) {
  if (!secure) return plainAllowed ? CSocket::Send(data, length, flags) : 0;
  if (length <= 0) return 0;
  int sent = 0;
  while (sent < length) {
    const int chunk = std::min(length - sent, kMaxRecordData);
    ERR_clear_error();
    if (SSL_write(ssl, data + sent, chunk) != chunk) {
      Fail(SEC_E_INTERNAL_ERROR);
      break;
    }
    if (!FlushOutgoing()) return SOCKET_ERROR;
    sent += chunk;
  }
  return sent;
}

void CSslSocket::GatherPlaintext() {
  unsigned char block[kMaxRecordData];
  for (;;) {
    for (;;) {
      ERR_clear_error();
      const int count = SSL_read(ssl, block, sizeof(block));
      if (count > 0) {
        const bool kept = leftover.Append(block, static_cast<std::size_t>(count));
        WipeBytes(block, static_cast<std::size_t>(count));
        if (!kept) {
          Fail(ERROR_OUTOFMEMORY);
          return;
        }
        continue;
      }
      const int error = SSL_get_error(ssl, count);
      if (error == SSL_ERROR_WANT_READ) break;
      // Whatever TLS has to say first (an alert) goes out as far as it can.
      FlushOutgoing();
      Fail(error == SSL_ERROR_ZERO_RETURN ? SEC_I_CONTEXT_EXPIRED : SEC_E_DECRYPT_FAILURE);
      return;
    }
    // Reading may have made TLS answer something (a key update).
    if (!FlushOutgoing()) return;
    if (!leftover.Empty()) return;
    if (!ReadIncoming()) return;
  }
}

int CSslSocket::Recv(char* buffer, int size, int flags) {
  if (!secure) return plainAllowed ? CSocket::Recv(buffer, size, flags) : 0;
  if (size <= 0) return 0;
  if (leftover.Empty()) GatherPlaintext();
  const std::size_t count = std::min(leftover.Size(), static_cast<std::size_t>(size));
  if (count > 0) std::copy_n(leftover.Data(), count, buffer);
  leftover.Consume(count);
  return static_cast<int>(count);
}

int CSslSocket::Close() {
  if (secure) {
    ERR_clear_error();
    // Failures here are kept as the last error; the close goes on.
    if (SSL_shutdown(ssl) < 0) Fail(SEC_E_INTERNAL_ERROR);
    FlushOutgoing();
  }
  FreeTls();
  plainAllowed = false;
  deferred = false;
  return CSocket::Close();
}
