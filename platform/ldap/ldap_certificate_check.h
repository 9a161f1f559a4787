// Why an ldaps handshake failed, when the cause is the server's
// certificate. libldap's TLS library reports a certificate it does not
// trust only as "(unknown error code)"; a second handshake with the same
// server, verified by OpenSSL with the trust settings libldap was given,
// names the cause. ldap_session.cpp asks after a failed ldaps connect.
#pragma once

#include <sys/socket.h>

#include <string>

struct CCertificateTrust {
  std::string caFile;  // empty: none given
  std::string caDir;   // empty: none given; both empty: the system's store
};

// The verification error of the certificate that the server at `address`
// shows for `host` ("unable to get local issuer certificate", "hostname
// mismatch", ...); empty when it verifies or when no handshake completes
// within `seconds`.
std::string CertificateProblem(const sockaddr* address, socklen_t length, const std::string& host,
                               const CCertificateTrust& trust, int seconds);
