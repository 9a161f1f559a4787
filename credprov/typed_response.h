// The bodies of the typed replies: a fixed part of words, then strings and
// raw bytes whose lengths the fixed part gives. Nothing a server sends is
// trusted: every length is checked against what is left of the body, a
// string must end with its NUL, and a reply that breaks a rule is unreadable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "credprov/modern_pwd_reset_session.h"
#include "credprov/secret_buffer.h"

class CModernPwdResetSession::ResponsePacket {
 public:
  ResponsePacket() = default;
  explicit ResponsePacket(CSecretBuffer body) : data(std::move(body)) {}
  virtual ~ResponsePacket() = default;
  ResponsePacket(const ResponsePacket&) = delete;
  ResponsePacket& operator=(const ResponsePacket&) = delete;

  // The received body, for the framing to fill.
  CSecretBuffer& Body() { return data; }
  std::uint32_t GetSize() const { return static_cast<std::uint32_t>(data.Size()); }

  // Reads `count` words from the start; false when the body is shorter. The
  // read position is then after them.
  bool ReadFixedPart(std::uint32_t* words, std::uint32_t count);
  // A string of `count` bytes at the read position: count 0 gives no text;
  // otherwise it must lie inside the body and end with its NUL. False when
  // it does not.
  bool ReadString(std::uint32_t count, std::optional<std::u16string>& text);
  // Raw bytes (no NUL) at the read position; count 0 gives none.
  bool ReadBytes(std::uint32_t count, CSecretBuffer& bytes);

 private:
  std::uint32_t position = 0;
  CSecretBuffer data;
};

// Each reply class reads a packet: Parse gives false, with result 0, for a
// reply that is unreadable.

class CModernPwdResetSession::ResponseEstablishSession {
 public:
  // Unreadable also unless status is 0 and version is 2.
  bool Parse(ResponsePacket& packet);
  std::uint32_t status = 0;
  std::uint32_t accepted = 0;
  std::uint32_t version = 0;
  std::uint32_t flags = 0;
  std::optional<std::u16string> text;
  CSecretBuffer sessionKey;
};

class CModernPwdResetSession::ResponseEstablishIdentity {
 public:
  bool Parse(ResponsePacket& packet);
  std::uint32_t result = 0;
  std::uint32_t questionCount = 0;
  std::uint32_t skipsAllowed = 0;
  std::optional<std::u16string> text;
};

class CModernPwdResetSession::ResponseNextQuestion {
 public:
  bool Parse(ResponsePacket& packet);
  std::uint32_t result = 0;
  std::optional<std::u16string> text;
  std::optional<std::u16string> question;
  std::optional<std::u16string> hint;
};

class CModernPwdResetSession::ResponseUserResponse {
 public:
  bool Parse(ResponsePacket& packet);
  std::uint32_t result = 0;
  std::uint32_t more = 0;
  std::optional<std::u16string> text;
};

class CModernPwdResetSession::ResponseResetPassword {
 public:
  bool Parse(ResponsePacket& packet);
  std::uint32_t result = 0;
  std::uint32_t retry = 0;
  std::optional<std::u16string> text;
};

class CModernPwdResetSession::ResponseUnlockAccount {
 public:
  bool Parse(ResponsePacket& packet);
  std::uint32_t result = 0;
  std::optional<std::u16string> text;
};
