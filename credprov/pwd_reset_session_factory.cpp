// Session creation: the protocol decides the session, the configuration the
// servers and the encryption.
#include "credprov/pwd_reset_session_factory.h"

#include <new>

#include "credprov/legacy_pwd_reset_session.h"
#include "credprov/modern_pwd_reset_session.h"

namespace {

constexpr char16_t kCouldNotConnect[] = u"Could not connect to any Password Reset servers:\n\n";
constexpr char16_t kNoServersConfigured[] = u"No Password Reset servers have been configured.";
constexpr char16_t kNoSuitableServers[] = u"No suitable Password Reset servers have been configured.";

}  // namespace

std::uint8_t RequestedEncryption(std::int32_t protocolVersion, std::int32_t requestEncryption) {
  if (requestEncryption == -1) return protocolVersion == 2 ? ENCRYPTION_BASIC | ENCRYPTION_TLS : ENCRYPTION_BASIC;
  return static_cast<std::uint8_t>(requestEncryption & 0xFF);
}

void CPwdResetSessionFactory::Fail(std::u16string_view reason) {
  std::u16string text(kCouldNotConnect);
  text += reason;
  message = std::move(text);
}

std::unique_ptr<IPwdResetSession> CPwdResetSessionFactory::CreateSession(const CPwdResetConfig& config,
                                                                         std::uint16_t port) {
  configuration = &config;
  const CWideStringArray& servers = config.GetServers();
  if (servers.GetCount() == 0) {
    Fail(kNoServersConfigured);
    return nullptr;
  }
  const std::int32_t version = config.GetProtocolVersion();
  std::unique_ptr<IPwdResetSession> session;
  if (version == 1 || version == -1) {
    session.reset(new (std::nothrow) CLegacyPwdResetSession());
  } else if (version == 2) {
    session.reset(new (std::nothrow) CModernPwdResetSession());
  }
  if (session == nullptr) {
    Fail(kNoSuitableServers);
    return nullptr;
  }
  const std::uint8_t encryption = RequestedEncryption(version, config.GetRequestEncryption());
  if (!session->Connect(servers, port, (encryption & ENCRYPTION_BASIC) != 0, (encryption & ENCRYPTION_TLS) != 0)) {
    const char16_t* reason = session->GetMessage();
    Fail(reason == nullptr ? u"" : reason);
    return nullptr;
  }
  return session;
}
