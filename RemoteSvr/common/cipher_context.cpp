// The one caller of BF_set_key and BF_cbc_encrypt, compiled with
// OPENSSL_API_COMPAT so the deprecated Blowfish calls build without warnings.
#include "RemoteSvr/common/cipher_context.h"

#include <cstring>

#include "platform/base/wipe.h"

CCipherContext::CCipherContext(const void* key, std::uint16_t keyLength) {
  // BF_set_key reads a byte of the key even for length 0; give it one of ours.
  static const unsigned char kNoKey = 0;
  if (keyLength == 0 || key == nullptr) {
    BF_set_key(&keySchedule, 1, &kNoKey);
  } else {
    const int length = keyLength > MAX_CIPHER_KEY_LENGTH ? MAX_CIPHER_KEY_LENGTH : keyLength;
    BF_set_key(&keySchedule, length, static_cast<const unsigned char*>(key));
  }
  std::memcpy(iv, FIXED_IV, sizeof(iv));
}

CCipherContext::~CCipherContext() { WipeBytes(&keySchedule, sizeof(keySchedule)); }

void CCipherContext::SetIV(const unsigned char (&newIv)[8]) { std::memcpy(iv, newIv, sizeof(iv)); }

int CCipherContext::EncryptInPlace(void* buffer, std::uint32_t length) const {
  return Run(buffer, length, BF_ENCRYPT);
}

int CCipherContext::DecryptInPlace(void* buffer, std::uint32_t length) const {
  return Run(buffer, length, BF_DECRYPT);
}

int CCipherContext::Run(void* buffer, std::uint32_t length, int direction) const {
  if ((length & ~7u) != length) return 0;
  if (length == 0) return 1;
  unsigned char chain[8];
  std::memcpy(chain, iv, sizeof(chain));
  auto* bytes = static_cast<unsigned char*>(buffer);
  BF_cbc_encrypt(bytes, bytes, static_cast<long>(length), &keySchedule, chain, direction);
  return 1;
}
