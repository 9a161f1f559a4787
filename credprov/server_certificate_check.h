// How the client's TLS decides whether to trust a server: the system trust
// store (SSL_CERT_FILE and SSL_CERT_DIR as OpenSSL reads them), TLS 1.2 at
// least, the peer's certificate always verified against the name or address
// that was connected to, revocation lists from the trust store consulted
// where there are any, and no client certificate ever offered. Used by
// ssl_socket.cpp; nothing here can be switched off.
#pragma once

#include <openssl/ssl.h>

#include "platform/base/wintypes.h"

// A client context with the rules above. `refuseCertificateRequest` is
// called with `argument` when a server asks for a client certificate; it
// answers 0, which fails the handshake. nullptr when OpenSSL could not make
// one.
SSL_CTX* NewVerifyingClientContext(int (*refuseCertificateRequest)(SSL*, void* argument), void* argument);

// Names the server for the handshake: SNI and a host-name check for a name,
// an address check (and no SNI) for an IPv4 or IPv6 literal. False when
// OpenSSL refused the name.
bool SetExpectedServer(SSL* ssl, const char* serverName);

// The last-error code for a verification result (X509_V_OK gives 0).
DWORD VerificationFailureCode(long verifyResult);

// After a completed handshake: 0 when the server showed a certificate that
// verified, else the code of why not. Every failure counts, whatever its sign.
DWORD CheckVerifiedServer(const SSL* ssl);
