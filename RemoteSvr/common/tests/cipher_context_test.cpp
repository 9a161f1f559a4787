// CCipherContext against Blowfish-CBC vectors made outside our code, and its
// rules: whole blocks only, every call from the same IV, keys cut at 72 bytes.
#include "RemoteSvr/common/cipher_context.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

const char kKey[] = "0123456789ABCDEF";
const unsigned char kPlain[24] = {'B', 'l', 'o', 'w', 'f', 'i', 's', 'h', ' ', 'i', 'n', ' ',
                                  'C', 'B', 'C', '!', 0,   0,   0,   0,   0,   0,   0,   0};

// Made twice, with the same result: by `openssl enc -bf-cbc -provider legacy
// -provider default -K 30313233343536373839414243444546 -iv <iv> -nopad` and by
// Python calling libcrypto's BF_set_key / BF_cbc_encrypt through ctypes.
const char kCipherFixedIv[] = "2d1e87ae47b76b48a1ce760ade1dd58a0ee83918b24c377d";
const char kCipherOwnIv[] = "c500b0ec8b31604cfcea882e389ebe6e296f2fa9d4099204";  // iv 0011223344556677
// ctypes only (openssl enc takes 16-byte keys): key bytes 0, 1, ..., 99.
const char kCipherLongKey[] = "3287ab7c134d0461e6ed82283a7e9c5a";  // of "sixteen byte msg"

TEST(CipherContext, EnciphersAsLibcryptoDoesFromTheFixedIv) {
  CCipherContext cipher(kKey, 16);
  unsigned char buffer[24];
  std::memcpy(buffer, kPlain, sizeof(buffer));
  ASSERT_EQ(cipher.EncryptInPlace(buffer, sizeof(buffer)), 1);
  EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 24), FromHex(kCipherFixedIv));
  ASSERT_EQ(cipher.DecryptInPlace(buffer, sizeof(buffer)), 1);
  EXPECT_EQ(std::memcmp(buffer, kPlain, sizeof(buffer)), 0);
}

TEST(CipherContext, EveryCallStartsFromTheSameIv) {
  CCipherContext cipher(kKey, 16);
  unsigned char first[24], second[24];
  std::memcpy(first, kPlain, 24);
  std::memcpy(second, kPlain, 24);
  cipher.EncryptInPlace(first, 24);
  cipher.EncryptInPlace(second, 24);
  EXPECT_EQ(std::memcmp(first, second, 24), 0);
}

TEST(CipherContext, OwnIvIsUsedByEveryLaterCall) {
  CCipherContext cipher(kKey, 16);
  const unsigned char iv[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
  cipher.SetIV(iv);
  for (int round = 0; round < 2; ++round) {
    unsigned char buffer[24];
    std::memcpy(buffer, kPlain, 24);
    cipher.EncryptInPlace(buffer, 24);
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 24), FromHex(kCipherOwnIv));
  }
}

TEST(CipherContext, KeysAgreeingInTheirFirst72BytesGiveOneSchedule) {
  unsigned char longKey[100], otherTail[100];
  for (int i = 0; i < 100; ++i) longKey[i] = otherTail[i] = static_cast<unsigned char>(i);
  otherTail[80] ^= 0xFF;
  for (const auto& [key, length] : {std::pair{longKey, 100}, std::pair{otherTail, 100}, std::pair{longKey, 72}}) {
    CCipherContext cipher(key, static_cast<std::uint16_t>(length));
    unsigned char buffer[16];
    std::memcpy(buffer, "sixteen byte msg", 16);
    cipher.EncryptInPlace(buffer, 16);
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 16), FromHex(kCipherLongKey)) << "length " << length;
  }
}

TEST(CipherContext, RefusesPartialBlocksAndLeavesTheBuffer) {
  CCipherContext cipher(kKey, 16);
  for (std::uint32_t length : {7u, 257u, 1u, 15u}) {
    std::array<unsigned char, 264> buffer{};
    buffer.fill(0x5A);
    const auto before = buffer;
    EXPECT_EQ(cipher.EncryptInPlace(buffer.data(), length), 0) << length;
    EXPECT_EQ(cipher.DecryptInPlace(buffer.data(), length), 0) << length;
    EXPECT_EQ(buffer, before) << length;
  }
  unsigned char untouched = 0x5A;
  EXPECT_EQ(cipher.EncryptInPlace(&untouched, 0), 1);
  EXPECT_EQ(untouched, 0x5A);
}

TEST(CipherContext, SecondContextWithTheSameKeyRestoresAField) {
  char domain[256] = "CORP.EXAMPLE.ORG";
  unsigned char field[256];
  for (int i = 0; i < 256; ++i) field[i] = static_cast<unsigned char>(i * 7);
  unsigned char copy[256];
  std::memcpy(copy, field, 256);
  CCipherContext(domain, 256).EncryptInPlace(field, 256);
  EXPECT_NE(std::memcmp(field, copy, 256), 0);
  CCipherContext(domain, 256).DecryptInPlace(field, 256);
  EXPECT_EQ(std::memcmp(field, copy, 256), 0);
}

}  // namespace
