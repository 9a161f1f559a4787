// Why an ldaps handshake failed, when the cause is the server's
// certificate. libldap's TLS library reports a certificate it does not
// trust only as "(unknown error code)"; a second handshake with the same
// server, verified by OpenSSL with the trust settings libldap was given,
// names the cause. ldap_session.cpp asks after a failed ldaps connect.
#pragma once

#include <sys/socket.h>

#include <string>

#include "platform/base/wintypes.h"

struct CCertificateTrust {
  std::string caFile;  // empty: none given
  std::string caDir;   // empty: none given; both empty: the system's store
};

// Why a certificate did not verify.
struct CCertificateProblem {
  DWORD status = 0;    // the trust family's code for it (certificate_failure.h); 0: no problem found
  std::string reason;  // OpenSSL's verification error, or why nothing is trusted
};

// The verification error of the certificate that the server at `address`
// shows for `host` ("unable to get local issuer certificate", "hostname
// mismatch", ...), or that trust settings that name a file or folder give
// no CA at all; none when it verifies or when no handshake completes
// within `seconds`.
CCertificateProblem CertificateProblem(const sockaddr* address, socklen_t length, const std::string& host,
                                       const CCertificateTrust& trust, int seconds);
