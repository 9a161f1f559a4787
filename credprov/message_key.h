// The key of one enciphered typed message under Basic security: the
// sequence number (16 bits), the message's totalLength (32 bits), then the
// session key's bytes, all little-endian. Made for each message and wiped
// when it goes; never stored or sent.
#pragma once

#include <cstdint>

#include "credprov/typed_message.h"

class CMessageKey {
 public:
  // `sessionKey` holds 1 to MAX_SESSION_KEY_LENGTH bytes (the session checks
  // that before Basic security comes into force).
  CMessageKey(std::uint16_t sequenceNumber, std::uint32_t totalLength, const unsigned char* sessionKey,
              std::uint32_t sessionKeyLength);
  ~CMessageKey();
  CMessageKey(const CMessageKey&) = delete;
  CMessageKey& operator=(const CMessageKey&) = delete;

  const unsigned char* Data() const { return bytes; }
  std::uint16_t Length() const { return length; }

 private:
  unsigned char bytes[6 + MAX_SESSION_KEY_LENGTH];
  std::uint16_t length;
};
