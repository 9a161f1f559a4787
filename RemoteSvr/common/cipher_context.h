// Blowfish in CBC mode over whole 8-byte blocks, in place, as the record
// fields (and the provider's typed messages) are enciphered. The primitives
// are libcrypto's; this is the only file pair that calls them.
#pragma once

#include <openssl/blowfish.h>

#include <cstdint>

// The initialisation vector every record field starts from.
inline constexpr unsigned char FIXED_IV[8] = {0x9c, 0x4e, 0x27, 0xb1, 0x63, 0xf0, 0x8a, 0x15};

// Blowfish keys longer than this are cut by the key schedule.
inline constexpr int MAX_CIPHER_KEY_LENGTH = 72;

class CCipherContext {
 public:
  // Builds the key schedule from the first 72 bytes of the key at most. The
  // IV starts as FIXED_IV.
  CCipherContext(const void* key, std::uint16_t keyLength);
  // Wipes the key schedule: a typed message's key is secret.
  ~CCipherContext();
  CCipherContext(const CCipherContext&) = delete;
  CCipherContext& operator=(const CCipherContext&) = delete;

  // Replaces the IV that every later call starts from (the typed messages
  // carry one of their own).
  void SetIV(const unsigned char (&iv)[8]);

  // CBC over `length` bytes in place, each call from a fresh copy of the IV
  // (so one context enciphers any number of independent fields). 1 when done;
  // 0, buffer untouched, when the length is not a multiple of 8.
  int EncryptInPlace(void* buffer, std::uint32_t length) const;
  int DecryptInPlace(void* buffer, std::uint32_t length) const;

 private:
  int Run(void* buffer, std::uint32_t length, int direction) const;

  BF_KEY keySchedule;
  unsigned char iv[8];
};
