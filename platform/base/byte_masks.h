// Bit masks over 64-byte blocks of a buffer, and 16-byte ones for short
// texts: which bytes equal a value. The dictionary's table and the question
// file's reader find their line ends a block at a time with them.
#pragma once

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

inline constexpr std::size_t BYTE_MASK_BLOCK = 64;
inline constexpr std::size_t SHORT_BYTE_MASK_BLOCK = 16;

// Bit i set when p[i] == c, for i in 0..15 (16 readable bytes at p).
inline unsigned ShortByteEqualMask(const char* p, char c) {
#ifdef __SSE2__
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
#else
  unsigned mask = 0;
  for (int i = 0; i < 16; ++i) mask |= static_cast<unsigned>(p[i] == c) << i;
  return mask;
#endif
}

// Bit i set when p[i] == c, for i in 0..63 (64 readable bytes at p).
inline std::uint64_t ByteEqualMask(const char* p, char c) {
#ifdef __SSE2__
  const __m128i value = _mm_set1_epi8(c);
  const auto part = [&](int n) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * n));
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, value))))
           << (16 * n);
  };
  return part(0) | part(1) | part(2) | part(3);
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(p[i] == c) << i;
  return mask;
#endif
}
