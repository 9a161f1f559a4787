// Certificates the TLS tests make at set-up with OpenSSL: a test CA that the
// client trusts through SSL_CERT_FILE, server certificates for a name
// ("localhost") and for the address 127.0.0.1, one for another name, an
// expired one, one from a CA nobody trusts, and one the CA has revoked in a
// revocation list that a second trust file carries.
#pragma once

#include <openssl/ssl.h>

#include <string>

enum class ServerCertificate {
  ForName,      // DNS localhost
  ForAddress,   // IP 127.0.0.1
  OtherName,    // DNS wrong.example.org
  Expired,      // DNS localhost, validity over a day ago
  Untrusted,    // DNS localhost, from a CA outside the trust file
  Revoked,      // DNS localhost, listed in the CA's revocation list
};

// How the peer's TLS side behaves.
struct ServerTlsOptions {
  ServerCertificate certificate = ServerCertificate::ForName;
  bool askClientCertificate = false;
  int maxVersion = 0;  // e.g. TLS1_1_VERSION; 0 for OpenSSL's own
};

class CTestPki {
 public:
  // Makes every key, certificate and the revocation list, writes the trust
  // files in a folder of its own, and trusts the CA alone (Trust(false)).
  CTestPki();
  // Drops the folder and the environment it set.
  ~CTestPki();
  CTestPki(const CTestPki&) = delete;
  CTestPki& operator=(const CTestPki&) = delete;

  // Points SSL_CERT_FILE at the CA, with or without its revocation list
  // (SSL_CERT_DIR at an empty folder, so nothing else is trusted).
  void Trust(bool withRevocationList) const;

  // A server context with that certificate and its key; the caller frees it.
  SSL_CTX* NewServerContext(const ServerTlsOptions& options) const;

 private:
  struct Keys;
  Keys* keys;
  std::string folder;
};
