// CMD5Context against RFC 1321's test suite and, for every length that
// crosses a block edge, against libcrypto's MD5; and the digest text forms.
#include "RemoteSvr/common/md5_context.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

std::string Hex(const unsigned char* bytes, std::size_t length) {
  std::string hex;
  char pair[3];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
    hex += pair;
  }
  return hex;
}

std::string Md5Hex(const std::string& message, std::size_t chunk) {
  CMD5Context md5;
  md5.Init();
  for (std::size_t at = 0; at < message.size(); at += chunk) {
    const std::size_t length = std::min(chunk, message.size() - at);
    md5.Update(message.data() + at, static_cast<unsigned int>(length));
  }
  unsigned char digest[DIGEST_SIZE];
  md5.Final(digest);
  return Hex(digest, DIGEST_SIZE);
}

TEST(Md5Context, Rfc1321TestSuite) {
  const struct {
    const char* message;
    const char* digest;
  } suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& entry : suite) {
    EXPECT_EQ(Md5Hex(entry.message, 1000), entry.digest) << entry.message;
    EXPECT_EQ(Md5Hex(entry.message, 1), entry.digest) << entry.message << " byte by byte";
  }
}

TEST(Md5Context, AgreesWithLibcryptoAcrossBlockEdges) {
  std::mt19937 random(1321);
  for (std::size_t length = 0; length <= 300; ++length) {
    std::string message(length, '\0');
    for (char& c : message) c = static_cast<char>(random());
    unsigned char expected[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    ASSERT_EQ(EVP_Digest(message.data(), message.size(), expected, &size, EVP_md5(), nullptr), 1);
    const std::size_t chunk = 1 + length % 70;
    EXPECT_EQ(Md5Hex(message, chunk), Hex(expected, size)) << "length " << length << " chunk " << chunk;
  }
}

TEST(Md5Context, DigestTextOfOneString) {
  CMD5Context md5;
  std::string text = "left over";
  md5.DigestText(std::string("abc"), text);
  EXPECT_EQ(text, "0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
  md5.DigestText(std::string(), text);
  EXPECT_EQ(text, "1DD4-D98C-008F-04B2-80E9-9809-F8EC-7E42");
  // Bytes after a zero byte do not count.
  md5.DigestText(std::string("abc\0def", 7), text);
  EXPECT_EQ(text, "0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
}

TEST(Md5Context, DigestTextOfAListJoinsItsEntries) {
  CMD5Context md5;
  std::string text;
  md5.DigestText(std::vector<std::string>{"a", "", "bc"}, text);
  EXPECT_EQ(text, "0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
  md5.DigestText(std::vector<std::string>{}, text);
  EXPECT_EQ(text, "1DD4-D98C-008F-04B2-80E9-9809-F8EC-7E42");

  CBigStringArray list;
  list.Load({"ab", "c", "ignored"});
  md5.DigestText(list, 2, text);
  EXPECT_EQ(text, "0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
  // A count past the list's end adds nothing.
  std::string past;
  CBigStringArray shortList;
  shortList.Load({"ab", "c"});
  md5.DigestText(shortList, 5, past);
  EXPECT_EQ(past, text);
}

TEST(Md5Context, DigestTextWithPrefixNarrowAndWide) {
  const struct {
    std::string text;
    std::string prefix;
    std::string expected;
  } cases[] = {
      {"abc", "md5:", "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F"},
      {"abc", "", "0190-9850-D23C-B04F-96D6-7D3F-E128-727F"},
      {"", "x", "x1DD4-D98C-008F-04B2-80E9-9809-F8EC-7E42"},
      {std::string("abc\0def", 7), "md5:", "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DigestTextWithPrefix(c.prefix, c.text), c.expected) << c.prefix;
    const std::u16string widePrefix(c.prefix.begin(), c.prefix.end());
    const std::u16string wideExpected(c.expected.begin(), c.expected.end());
    EXPECT_EQ(DigestTextWithPrefix(widePrefix, c.text), wideExpected) << c.prefix;
  }
  // A wide prefix outside ASCII stays as it is.
  EXPECT_EQ(DigestTextWithPrefix(std::u16string_view(u"\u00e4:"), std::string("abc")),
            u"\u00e4:0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
}

TEST(Md5Context, DigestTextIsAlways39UpperCaseCharacters) {
  CMD5Context md5;
  std::mt19937 random(39);
  for (int i = 0; i < 200; ++i) {
    std::string text;
    md5.DigestText(std::to_string(random()), text);
    ASSERT_EQ(text.size(), DIGEST_TEXT_LENGTH);
    for (std::size_t k = 0; k < text.size(); ++k) {
      if (k % 5 == 4) {
        EXPECT_EQ(text[k], '-') << text;
      } else {
        EXPECT_TRUE((text[k] >= '0' && text[k] <= '9') || (text[k] >= 'A' && text[k] <= 'F')) << text;
      }
    }
  }
}

}  // namespace
