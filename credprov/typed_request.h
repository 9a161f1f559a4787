// The bodies of the typed requests: a fixed part of each type's own layout,
// then its strings (UTF-8 with their NUL, counted in the fixed part), built
// in a buffer that is wiped when it goes since answers and passwords pass
// through it. The framing (message_framing.h) sends them.
#pragma once

#include <cstdint>

#include "credprov/modern_pwd_reset_session.h"
#include "credprov/secret_buffer.h"
#include "credprov/typed_message.h"

class CModernPwdResetSession::Request {
 public:
  virtual ~Request() = default;
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  // False when the body could not be built (no memory); such a request is
  // never sent.
  bool Built() const { return built; }
  std::uint32_t GetType() const { return messageType; }
  const unsigned char* GetBody() const { return buffer.Data(); }
  std::uint32_t GetLength() const { return static_cast<std::uint32_t>(buffer.Size()); }

 protected:
  // Room for the fixed part at the start, zero-filled.
  Request(std::uint32_t messageType, std::uint32_t fixedPartSize);

  // Appends `text` as UTF-8 with its NUL and gives the byte count (NUL
  // included) in `count`; nullptr appends nothing, count 0. False when no
  // memory could be had.
  bool AppendString(const char16_t* text, std::uint32_t& count);
  // Writes one word of the fixed part at `offset`.
  void SetFixedWord(std::uint32_t offset, std::uint32_t value);

  bool built = false;

 private:
  std::uint32_t messageType;
  std::uint32_t fixedPartSize;
  CSecretBuffer buffer;
};

class CModernPwdResetSession::RequestEstablishSession : public Request {
 public:
  // 8 zero bytes, the version, the flags, zeros up to a record's size.
  explicit RequestEstablishSession(std::uint32_t flags);
};

class CModernPwdResetSession::RequestEstablishIdentity : public Request {
 public:
  RequestEstablishIdentity(const char16_t* domain, const char16_t* user);
};

class CModernPwdResetSession::RequestNextQuestion : public Request {
 public:
  RequestNextQuestion();
};

class CModernPwdResetSession::RequestUserResponse : public Request {
 public:
  // An answer, or with `skip` none.
  RequestUserResponse(bool skip, const char16_t* answer);
};

class CModernPwdResetSession::RequestResetPassword : public Request {
 public:
  explicit RequestResetPassword(const char16_t* newPassword);
};

class CModernPwdResetSession::RequestUnlockAccount : public Request {
 public:
  RequestUnlockAccount();
};
