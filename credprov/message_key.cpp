// The per-message key, put together as both sides build it.
#include "credprov/message_key.h"

#include <algorithm>
#include <cstring>

#include "platform/base/wipe.h"

CMessageKey::CMessageKey(std::uint16_t sequenceNumber, std::uint32_t totalLength, const unsigned char* sessionKey,
                         std::uint32_t sessionKeyLength) {
  const std::uint32_t keyLength = std::min(sessionKeyLength, MAX_SESSION_KEY_LENGTH);
  bytes[0] = static_cast<unsigned char>(sequenceNumber);
  bytes[1] = static_cast<unsigned char>(sequenceNumber >> 8);
  PutWord32(bytes + 2, totalLength);
  if (keyLength > 0) std::memcpy(bytes + 6, sessionKey, keyLength);
  length = static_cast<std::uint16_t>(6 + keyLength);
}

CMessageKey::~CMessageKey() { WipeBytes(bytes, sizeof(bytes)); }
