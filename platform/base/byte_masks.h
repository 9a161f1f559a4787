// Bit masks over 64-byte blocks of a buffer: which bytes equal a value, and
// which lie outside ASCII. The whole-file scans (the dictionary, the question
// file) look at a block at a time and visit only the bytes these flag.
#pragma once

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

inline constexpr std::size_t BYTE_MASK_BLOCK = 64;

// Bit i set when p[i] == c, for i in 0..63 (64 readable bytes at p).
inline std::uint64_t ByteEqualMask(const char* p, char c) {
#ifdef __SSE2__
  const __m128i value = _mm_set1_epi8(c);
  std::uint64_t mask = 0;
  for (int part = 0; part < 4; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
    mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, value))))
            << (16 * part);
  }
  return mask;
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(p[i] == c) << i;
  return mask;
#endif
}

// Bit i set when p[i] is 0x80 or above.
inline std::uint64_t HighByteMask(const char* p) {
#ifdef __SSE2__
  std::uint64_t mask = 0;
  for (int part = 0; part < 4; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
    mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes))) << (16 * part);
  }
  return mask;
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]) >= 0x80) << i;
  return mask;
#endif
}

// Bit i set when p[i], with ASCII capitals read as small letters, equals
// `lower` (a small letter or any byte that has no case).
inline std::uint64_t FoldedByteEqualMask(const char* p, char lower) {
  if (lower >= 'a' && lower <= 'z') return ByteEqualMask(p, lower) | ByteEqualMask(p, static_cast<char>(lower - 32));
  return ByteEqualMask(p, lower);
}

// The number of set bits, without the instruction the baseline lacks.
inline int CountBits(std::uint64_t v) {
  v = v - ((v >> 1) & 0x5555555555555555ull);
  v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return static_cast<int>((v * 0x0101010101010101ull) >> 56);
}
