// The typed messages of protocol version 2 as they travel: the header they
// share with the fixed record (RemoteSvr/common/pwd_reset_record.h), the
// message types, the limits a receiver holds a peer to, and little-endian
// words. The framing is message_framing.h, the bodies typed_request.h and
// typed_response.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "RemoteSvr/common/pwd_reset_record.h"

inline constexpr std::uint32_t TYPED_PROTOCOL_VERSION = 2;

// Requests; each reply is read as the reply to the request just sent.
enum TypedMessageType : std::uint32_t {
  MESSAGE_ESTABLISH_SESSION = 0x10000,
  MESSAGE_ESTABLISH_IDENTITY = 0x10001,
  MESSAGE_NEXT_QUESTION = 0x10002,
  MESSAGE_USER_RESPONSE = 0x10003,
  MESSAGE_RESET_PASSWORD = 0x10004,
  MESSAGE_UNLOCK_ACCOUNT = 0x10005,
};

// Negotiated protection: bit 0 Basic security, bit 1 TLS.
inline constexpr std::uint32_t SESSION_FLAG_BASIC = 0x1;
inline constexpr std::uint32_t SESSION_FLAG_TLS = 0x2;

// Under Basic security an initialisation vector follows the header.
inline constexpr std::uint32_t MESSAGE_IV_SIZE = 8;
inline constexpr std::uint32_t CIPHER_BLOCK_SIZE = 8;
// The largest message a receiver takes: header included, 1 MiB.
inline constexpr std::uint32_t MAX_MESSAGE_LENGTH = 1048576;
inline constexpr std::uint32_t MAX_MESSAGE_BODY = MAX_MESSAGE_LENGTH - HEADER_SIZE;
// A session key the server hands out: 1 to 50 bytes.
inline constexpr std::uint32_t MAX_SESSION_KEY_LENGTH = 50;
// The session request is as long as a fixed record.
inline constexpr std::uint32_t ESTABLISH_SESSION_FIXED_SIZE = RECORD_SIZE - HEADER_SIZE;

inline void PutWord32(unsigned char* at, std::uint32_t value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
  at[2] = static_cast<unsigned char>(value >> 16);
  at[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t GetWord32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
