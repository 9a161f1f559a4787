// MD5 (RFC 1321) in the shape of the RFC's reference code, and the digest
// text that the service's temporary passwords and the hashed answers
// (hashed_answer.h) are made of: eight groups "%04X" joined by "-", group k
// being digest byte 2k plus 256 times byte 2k+1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "RemoteSvr/common/big_string_array.h"

inline constexpr std::size_t DIGEST_SIZE = 16;
inline constexpr std::size_t DIGEST_TEXT_LENGTH = 39;

class CMD5Context {
 public:
  CMD5Context();

  void Init();
  void Update(const void* bytes, unsigned int length);
  // Writes the digest and clears the context.
  void Final(unsigned char (&digest)[DIGEST_SIZE]);

  // The digest text of a string's bytes up to its first zero byte.
  void DigestText(const std::string& text, std::string& out);
  // Of the entries one after the other, with no separator: the list ab, c and
  // the string abc give the same text.
  void DigestText(const std::vector<std::string>& list, std::string& out);
  void DigestText(const CBigStringArray& list, int count, std::string& out);

  // The text form of a digest.
  static std::string FormatDigestText(const unsigned char (&digest)[DIGEST_SIZE]);

 private:
  // Final, then the digest text into `out`.
  void Finish(std::string& out);
  void Transform(const unsigned char (&block)[64]);
  static void Encode(unsigned char* output, const std::uint32_t* input, unsigned int length);
  static void Decode(std::uint32_t* output, const unsigned char* input, unsigned int length);

  std::uint32_t state[4];
  std::uint32_t count[2];  // bits hashed, modulo 2^64, low word first
  unsigned char buffer[64];
};

// The digest text of a string's bytes up to its first zero byte, behind
// `prefix` (which may be empty): "md5:" and the digest of a lower-cased
// answer is a hashed answer (hashed_answer.h).
std::string DigestTextWithPrefix(std::string_view prefix, const std::string& text);
// The same in UTF-16, the form of the clients that work in wide text.
std::u16string DigestTextWithPrefix(std::u16string_view prefix, const std::string& text);
