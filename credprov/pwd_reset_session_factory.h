// Picks the session for the configured protocol version, works out the
// encryption to ask for, and connects the session to the first reachable
// server of the configuration. One factory serves one step of the dialogue.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "credprov/pwd_reset_config.h"
#include "credprov/pwd_reset_session.h"

// The port of the reset service; no setting changes it for the clients.
inline constexpr std::uint16_t RESET_SERVICE_PORT = DEFAULT_PORT;

// Encryption flags: bit 0 Basic security, bit 1 TLS.
inline constexpr std::uint8_t ENCRYPTION_BASIC = 0x01;
inline constexpr std::uint8_t ENCRYPTION_TLS = 0x02;

// The low byte of RequestEncryption; unset (-1), Basic for the fixed record
// and Basic and TLS for the typed messages (version 2).
std::uint8_t RequestedEncryption(std::int32_t protocolVersion, std::int32_t requestEncryption);

class CPwdResetSessionFactory {
 public:
  CPwdResetSessionFactory() = default;
  CPwdResetSessionFactory(const CPwdResetSessionFactory&) = delete;
  CPwdResetSessionFactory& operator=(const CPwdResetSessionFactory&) = delete;

  // A connected session for the caller, or nullptr with GetMessage saying why.
  std::unique_ptr<IPwdResetSession> CreateSession(const CPwdResetConfig& configuration, std::uint16_t port);

  // Why the last creation failed, or nullptr.
  const char16_t* GetMessage() const { return message ? message->c_str() : nullptr; }

 private:
  void Fail(std::u16string_view reason);

  const CPwdResetConfig* configuration = nullptr;  // borrowed
  std::optional<std::u16string> message;
};
