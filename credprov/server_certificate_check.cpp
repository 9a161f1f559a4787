// The client context's trust rules and the codes of their failures.
#include "credprov/server_certificate_check.h"

#include <arpa/inet.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include "credprov/security_status.h"

namespace {

// Revocation data that is missing or out of date leaves the status unknown,
// which does not fail the handshake; a revocation list at hand that lists
// the certificate does (X509_V_ERR_CERT_REVOKED is never excused here).
bool RevocationStatusUnknown(int error) {
  switch (error) {
    case X509_V_ERR_UNABLE_TO_GET_CRL:
    case X509_V_ERR_UNABLE_TO_GET_CRL_ISSUER:
    case X509_V_ERR_CRL_HAS_EXPIRED:
    case X509_V_ERR_CRL_NOT_YET_VALID:
      return true;
    default:
      return false;
  }
}

int VerifyStep(int ok, X509_STORE_CTX* store) {
  if (ok) return 1;
  if (!RevocationStatusUnknown(X509_STORE_CTX_get_error(store))) return 0;
  // The result the handshake keeps must not carry the excused error.
  X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

bool IsAddressLiteral(const char* name) {
  unsigned char address[16];
  return inet_pton(AF_INET, name, address) == 1 || inet_pton(AF_INET6, name, address) == 1;
}

}  // namespace

SSL_CTX* NewVerifyingClientContext(int (*refuseCertificateRequest)(SSL*, void*), void* argument) {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) return nullptr;
  if (SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1 ||
      SSL_CTX_set_default_verify_paths(context) != 1 ||
      X509_VERIFY_PARAM_set_flags(SSL_CTX_get0_param(context), X509_V_FLAG_CRL_CHECK) != 1) {
    SSL_CTX_free(context);
    return nullptr;
  }
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, VerifyStep);
  // Called only when a server asks for a client certificate.
  SSL_CTX_set_cert_cb(context, refuseCertificateRequest, argument);
  return context;
}

bool SetExpectedServer(SSL* ssl, const char* serverName) {
  if (serverName == nullptr || *serverName == '\0') return false;
  X509_VERIFY_PARAM* parameters = SSL_get0_param(ssl);
  if (IsAddressLiteral(serverName)) return X509_VERIFY_PARAM_set1_ip_asc(parameters, serverName) == 1;
  X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  return SSL_set1_host(ssl, serverName) == 1 && SSL_set_tlsext_host_name(ssl, serverName) == 1;
}

DWORD VerificationFailureCode(long verifyResult) {
  switch (verifyResult) {
    case X509_V_OK:
      return 0;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return SEC_E_CERT_EXPIRED;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return SEC_E_WRONG_PRINCIPAL;
    case X509_V_ERR_CERT_REVOKED:
      return CRYPT_E_REVOKED;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return SEC_E_UNTRUSTED_ROOT;
    default:
      return SEC_E_CERT_UNKNOWN;
  }
}

DWORD CheckVerifiedServer(const SSL* ssl) {
  if (SSL_get0_peer_certificate(ssl) == nullptr) return SEC_E_WRONG_PRINCIPAL;
  const long result = SSL_get_verify_result(ssl);
  return result == X509_V_OK ? 0 : VerificationFailureCode(result);
}
