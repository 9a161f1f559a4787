// Making the test PKI with OpenSSL: EC keys, v3 certificates with the
// extensions a TLS client looks at, and a v2 revocation list.
#include "credprov/tests/test_pki.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

EVP_PKEY* NewKey() { return EVP_EC_gen("P-256"); }

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  ASSERT_NE(extension, nullptr) << value;
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

// A certificate for `key` named `commonName`, signed by the issuer (itself
// when `issuer` is null); days relative to now.
X509* NewCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, long serial,
                     long fromDays, long toDays, const char* subjectAltName) {
  X509* certificate = X509_new();
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
  X509_gmtime_adj(X509_getm_notBefore(certificate), fromDays * 86400);
  X509_gmtime_adj(X509_getm_notAfter(certificate), toDays * 86400);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509_set_issuer_name(certificate, issuer != nullptr ? X509_get_subject_name(issuer) : name);
  X509* const signer = issuer != nullptr ? issuer : certificate;
  if (subjectAltName == nullptr) {
    AddExtension(certificate, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(certificate, signer, NID_subject_key_identifier, "hash");
  } else {
    AddExtension(certificate, signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(certificate, signer, NID_ext_key_usage, "serverAuth");
    AddExtension(certificate, signer, NID_subject_alt_name, subjectAltName);
    AddExtension(certificate, signer, NID_authority_key_identifier, "keyid");
  }
  EXPECT_GT(X509_sign(certificate, issuerKey != nullptr ? issuerKey : key, EVP_sha256()), 0);
  return certificate;
}

std::string Pem(X509* certificate) {
  BIO* out = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(out, certificate);
  char* data = nullptr;
  const long length = BIO_get_mem_data(out, &data);
  std::string text(data, static_cast<std::size_t>(length));
  BIO_free(out);
  return text;
}

std::string Pem(X509_CRL* list) {
  BIO* out = BIO_new(BIO_s_mem());
  PEM_write_bio_X509_CRL(out, list);
  char* data = nullptr;
  const long length = BIO_get_mem_data(out, &data);
  std::string text(data, static_cast<std::size_t>(length));
  BIO_free(out);
  return text;
}

void WriteFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

constexpr long kRevokedSerial = 7;

}  // namespace

struct CTestPki::Keys {
  EVP_PKEY* caKey = nullptr;
  X509* ca = nullptr;
  EVP_PKEY* otherCaKey = nullptr;
  X509* otherCa = nullptr;
  EVP_PKEY* serverKey = nullptr;
  std::map<ServerCertificate, X509*> servers;
};

CTestPki::CTestPki() : keys(new Keys) {
  keys->caKey = NewKey();
  keys->ca = NewCertificate(keys->caKey, "Varnok Test CA", nullptr, nullptr, 1, -1, 30, nullptr);
  keys->otherCaKey = NewKey();
  keys->otherCa = NewCertificate(keys->otherCaKey, "Untrusted Test CA", nullptr, nullptr, 1, -1, 30, nullptr);
  keys->serverKey = NewKey();
  EVP_PKEY* const key = keys->serverKey;
  keys->servers[ServerCertificate::ForName] =
      NewCertificate(key, "localhost", keys->ca, keys->caKey, 2, -1, 30, "DNS:localhost");
  keys->servers[ServerCertificate::ForAddress] =
      NewCertificate(key, "127.0.0.1", keys->ca, keys->caKey, 3, -1, 30, "IP:127.0.0.1");
  keys->servers[ServerCertificate::OtherName] =
      NewCertificate(key, "wrong.example.org", keys->ca, keys->caKey, 4, -1, 30, "DNS:wrong.example.org");
  keys->servers[ServerCertificate::Expired] =
      NewCertificate(key, "localhost", keys->ca, keys->caKey, 5, -3, -1, "DNS:localhost");
  keys->servers[ServerCertificate::Untrusted] =
      NewCertificate(key, "localhost", keys->otherCa, keys->otherCaKey, 6, -1, 30, "DNS:localhost");
  keys->servers[ServerCertificate::Revoked] =
      NewCertificate(key, "localhost", keys->ca, keys->caKey, kRevokedSerial, -1, 30, "DNS:localhost");

  X509_CRL* list = X509_CRL_new();
  X509_CRL_set_version(list, 1);
  X509_CRL_set_issuer_name(list, X509_get_subject_name(keys->ca));
  ASN1_TIME* now = X509_gmtime_adj(nullptr, -3600);
  ASN1_TIME* next = X509_gmtime_adj(nullptr, 86400);
  X509_CRL_set1_lastUpdate(list, now);
  X509_CRL_set1_nextUpdate(list, next);
  X509_REVOKED* revoked = X509_REVOKED_new();
  ASN1_INTEGER* serial = ASN1_INTEGER_new();
  ASN1_INTEGER_set(serial, kRevokedSerial);
  X509_REVOKED_set_serialNumber(revoked, serial);
  X509_REVOKED_set_revocationDate(revoked, now);
  X509_CRL_add0_revoked(list, revoked);
  X509_CRL_sort(list);
  EXPECT_GT(X509_CRL_sign(list, keys->caKey, EVP_sha256()), 0);
  ASN1_INTEGER_free(serial);
  ASN1_TIME_free(now);
  ASN1_TIME_free(next);

  std::string pattern = (std::filesystem::temp_directory_path() / "credprov-pki-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp";
  folder = pattern;
  std::filesystem::create_directory(folder + "/no-certificates");
  WriteFile(folder + "/ca.pem", Pem(keys->ca));
  WriteFile(folder + "/ca-and-crl.pem", Pem(keys->ca) + Pem(list));
  X509_CRL_free(list);
  Trust(false);
}

CTestPki::~CTestPki() {
  unsetenv("SSL_CERT_FILE");
  unsetenv("SSL_CERT_DIR");
  for (auto& [kind, certificate] : keys->servers) X509_free(certificate);
  X509_free(keys->ca);
  X509_free(keys->otherCa);
  EVP_PKEY_free(keys->caKey);
  EVP_PKEY_free(keys->otherCaKey);
  EVP_PKEY_free(keys->serverKey);
  delete keys;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

void CTestPki::Trust(bool withRevocationList) const {
  setenv("SSL_CERT_FILE", (folder + (withRevocationList ? "/ca-and-crl.pem" : "/ca.pem")).c_str(), 1);
  setenv("SSL_CERT_DIR", (folder + "/no-certificates").c_str(), 1);
}

SSL_CTX* CTestPki::NewServerContext(const ServerTlsOptions& options) const {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  SSL_CTX_use_certificate(context, keys->servers.at(options.certificate));
  const ServerCertificate kind = options.certificate;
  SSL_CTX_add1_chain_cert(context, kind == ServerCertificate::Untrusted ? keys->otherCa : keys->ca);
  SSL_CTX_use_PrivateKey(context, keys->serverKey);
  if (options.askClientCertificate) SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  if (options.maxVersion != 0) {
    // Old protocol versions need the lowest security level in OpenSSL 3.
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_min_proto_version(context, 0);
    SSL_CTX_set_max_proto_version(context, options.maxVersion);
  }
  return context;
}
