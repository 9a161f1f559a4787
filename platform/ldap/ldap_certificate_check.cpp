// A TLS handshake for its verification result alone: nothing is sent
// after it, and the connection is dropped at once.
#include "platform/ldap/ldap_certificate_check.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

#include "platform/base/certificate_failure.h"

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A TCP connection to `address` within the deadline, left blocking with
// send and receive time-outs up to it; -1 when none.
int ConnectBefore(const sockaddr* address, socklen_t length, Clock::time_point deadline) {
  const int fd = socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (connect(fd, address, length) != 0) {
    pollfd entry{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    if (errno != EINPROGRESS || poll(&entry, 1, MillisecondsLeft(deadline)) != 1 ||
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
      close(fd);
      return -1;
    }
  }
  const int left = MillisecondsLeft(deadline);
  const timeval limit{left / 1000, (left % 1000) * 1000};
  if (left == 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
      setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0 ||
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// OpenSSL writes with write(): a server that has gone would raise SIGPIPE.
// The signal is held back on this thread meanwhile and dropped afterwards.
class CNoSigPipe {
 public:
  CNoSigPipe() {
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe, &saved);
  }
  ~CNoSigPipe() {
    if (!alreadyPending) {
      const timespec none{0, 0};
      while (sigtimedwait(&pipe, nullptr, &none) == SIGPIPE) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  }
  CNoSigPipe(const CNoSigPipe&) = delete;
  CNoSigPipe& operator=(const CNoSigPipe&) = delete;

 private:
  sigset_t pipe{};
  sigset_t saved{};
  bool alreadyPending = false;
};

// The trust family's code for OpenSSL's verification error.
DWORD StatusOfVerification(long result) {
  switch (result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED: return CERT_E_UNTRUSTEDROOT;
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED: return CERT_E_EXPIRED;
    case X509_V_ERR_CERT_REVOKED: return CERT_E_REVOKED;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return CERT_E_CN_NO_MATCH;
    default: return TRUST_E_FAIL;
  }
}

bool IsAddress(const std::string& host) {
  unsigned char bytes[sizeof(in6_addr)];
  return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

}  // namespace

CCertificateProblem CertificateProblem(const sockaddr* address, socklen_t length, const std::string& host,
                                       const CCertificateTrust& trust, int seconds) {
  if (address == nullptr || length == 0 || host.empty()) return {};
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) return {};
  const char* caFile = trust.caFile.empty() ? nullptr : trust.caFile.c_str();
  const char* caDir = trust.caDir.empty() ? nullptr : trust.caDir.c_str();
  const bool trusted = caFile == nullptr && caDir == nullptr
                           ? SSL_CTX_set_default_verify_paths(context) == 1
                           : SSL_CTX_load_verify_locations(context, caFile, caDir) == 1;
  // The handshake runs to its end whatever the certificate: only its
  // verification result is wanted.
  SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  CCertificateProblem problem;
  // A file or folder that holds no CA leaves nothing to verify against
  // (libldap's own handshake fails on it too).
  if (!trusted && (caFile != nullptr || caDir != nullptr)) {
    problem = {CERT_E_UNTRUSTEDROOT,
               "no trusted CA could be read from " + (caFile != nullptr ? trust.caFile : trust.caDir)};
  }
  SSL* ssl = trusted ? SSL_new(context) : nullptr;
  const int fd = ssl != nullptr ? ConnectBefore(address, length, deadline) : -1;
  if (fd >= 0) {
    if (IsAddress(host)) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
    } else {
      SSL_set1_host(ssl, host.c_str());
      SSL_set_tlsext_host_name(ssl, host.c_str());
    }
    SSL_set_fd(ssl, fd);
    CNoSigPipe noSigPipe;
    if (SSL_connect(ssl) == 1) {
      const long result = SSL_get_verify_result(ssl);
      if (result != X509_V_OK) problem = {StatusOfVerification(result), X509_verify_cert_error_string(result)};
    }
    close(fd);
  }
  SSL_free(ssl);
  SSL_CTX_free(context);
  // Nothing of this handshake is left for the thread's next TLS call.
  ERR_clear_error();
  return problem;
}
