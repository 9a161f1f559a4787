// MD5 after RFC 1321 (Init, Update, Final over 64-byte blocks), and the
// digest text.
#include "RemoteSvr/common/md5_context.h"

#include <cstdio>
#include <cstring>

#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

// T[i] = floor(2^32 * |sin(i + 1)|), RFC 1321 section 3.4.
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Rotation of each of the four steps of a round.
constexpr unsigned kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr std::uint32_t RotateLeft(std::uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

constexpr unsigned char kPadding[64] = {0x80};

}  // namespace

CMD5Context::CMD5Context() : state{}, count{}, buffer{} {}

void CMD5Context::Init() {
  count[0] = count[1] = 0;
  state[0] = 0x67452301;
  state[1] = 0xefcdab89;
  state[2] = 0x98badcfe;
  state[3] = 0x10325476;
}

void CMD5Context::Update(const void* bytes, unsigned int length) {
  const auto* input = static_cast<const unsigned char*>(bytes);
  unsigned int index = (count[0] >> 3) & 0x3F;
  const std::uint32_t bits = static_cast<std::uint32_t>(length) << 3;
  count[0] += bits;
  if (count[0] < bits) ++count[1];
  count[1] += static_cast<std::uint32_t>(length) >> 29;

  const unsigned int partLength = 64 - index;
  unsigned int i = 0;
  if (length >= partLength) {
    std::memcpy(&buffer[index], input, partLength);
    Transform(buffer);
    for (i = partLength; i + 63 < length; i += 64) {
      unsigned char block[64];
      std::memcpy(block, input + i, 64);
      Transform(block);
    }
    index = 0;
  }
  if (length > i) std::memcpy(&buffer[index], input + i, length - i);
}

void CMD5Context::Final(unsigned char (&digest)[DIGEST_SIZE]) {
  unsigned char bits[8];
  Encode(bits, count, 8);
  const unsigned int index = (count[0] >> 3) & 0x3F;
  const unsigned int padLength = index < 56 ? 56 - index : 120 - index;
  Update(kPadding, padLength);
  Update(bits, 8);
  Encode(digest, state, 16);
  // The buffer held message bytes, which may be an answer.
  WipeBytes(state, sizeof(state));
  WipeBytes(count, sizeof(count));
  WipeBytes(buffer, sizeof(buffer));
}

void CMD5Context::Transform(const unsigned char (&block)[64]) {
  std::uint32_t x[16];
  Decode(x, block, 64);
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (unsigned i = 0; i < 64; ++i) {
    const unsigned round = i / 16;
    std::uint32_t mixed;
    unsigned word;
    switch (round) {
      case 0:
        mixed = (b & c) | (~b & d);
        word = i;
        break;
      case 1:
        mixed = (b & d) | (c & ~d);
        word = (5 * i + 1) % 16;
        break;
      case 2:
        mixed = b ^ c ^ d;
        word = (3 * i + 5) % 16;
        break;
      default:
        mixed = c ^ (b | ~d);
        word = (7 * i) % 16;
        break;
    }
    const std::uint32_t next = b + RotateLeft(a + mixed + x[word] + kSine[i], kShift[round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  WipeBytes(x, sizeof(x));
}

void CMD5Context::Encode(unsigned char* output, const std::uint32_t* input, unsigned int length) {
  for (unsigned int i = 0, j = 0; j < length; ++i, j += 4) {
    output[j] = static_cast<unsigned char>(input[i] & 0xff);
    output[j + 1] = static_cast<unsigned char>((input[i] >> 8) & 0xff);
    output[j + 2] = static_cast<unsigned char>((input[i] >> 16) & 0xff);
    output[j + 3] = static_cast<unsigned char>((input[i] >> 24) & 0xff);
  }
}

void CMD5Context::Decode(std::uint32_t* output, const unsigned char* input, unsigned int length) {
  for (unsigned int i = 0, j = 0; j < length; ++i, j += 4) {
    output[i] = static_cast<std::uint32_t>(input[j]) | (static_cast<std::uint32_t>(input[j + 1]) << 8) |
                (static_cast<std::uint32_t>(input[j + 2]) << 16) | (static_cast<std::uint32_t>(input[j + 3]) << 24);
  }
}

std::string CMD5Context::FormatDigestText(const unsigned char (&digest)[DIGEST_SIZE]) {
  char text[DIGEST_TEXT_LENGTH + 1];
  const auto group = [&](int k) { return static_cast<unsigned>(digest[2 * k] + 256 * digest[2 * k + 1]); };
  std::snprintf(text, sizeof(text), "%04X-%04X-%04X-%04X-%04X-%04X-%04X-%04X", group(0), group(1), group(2),
                group(3), group(4), group(5), group(6), group(7));
  std::string result(text, DIGEST_TEXT_LENGTH);
  WipeBytes(text, sizeof(text));
  return result;
}

void CMD5Context::DigestText(const std::string& text, std::string& out) {
  // The same as a one-entry list, without copying what may be an answer.
  Init();
  Update(text.c_str(), static_cast<unsigned int>(std::strlen(text.c_str())));
  Finish(out);
}

void CMD5Context::DigestText(const std::vector<std::string>& list, std::string& out) {
  CBigStringArray strings;
  strings.Load(list);
  DigestText(strings, strings.GetSize(), out);
}

void CMD5Context::DigestText(const CBigStringArray& list, int entries, std::string& out) {
  Init();
  for (int i = 0; i < entries; ++i) {
    const char* entry = list.GetAt(i);
    Update(entry, static_cast<unsigned int>(std::strlen(entry)));
  }
  Finish(out);
}

void CMD5Context::Finish(std::string& out) {
  unsigned char digest[DIGEST_SIZE] = {};
  Final(digest);
  out = FormatDigestText(digest);
  WipeBytes(digest, sizeof(digest));
}

std::string DigestTextWithPrefix(std::string_view prefix, const std::string& text) {
  std::string digestText;
  CMD5Context md5;
  md5.DigestText(text, digestText);
  std::string result(prefix);
  result += digestText;
  return result;
}

std::u16string DigestTextWithPrefix(std::u16string_view prefix, const std::string& text) {
  std::u16string result(prefix);
  result += Utf8ToUtf16(DigestTextWithPrefix(std::string_view(), text));
  return result;
}
