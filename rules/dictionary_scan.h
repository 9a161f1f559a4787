// One pass over the dictionary file for one password. The lines that may
// equal one of the keys FindWildcardEntry would try for the password are
// picked out by a few of their bytes, then lower-cased and ranked; nothing is
// kept per entry. The entry count, which needs every distinct pattern, is
// dictionary.cpp's concern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A line counts as a pattern when it starts with "*", a digit or a letter;
// the rest (empty, blank, "#", "-", ...) are comments.
bool IsDictionaryPatternLine(std::u16string_view line);

// Appends the lower-cased UTF-16 form of a line's bytes to `out`; the
// common all-ASCII line takes the short way.
void AppendLowerLine(std::string_view bytes, std::u16string& out);

// The keys FindWildcardEntry tries for a lower-cased password, in its order:
// the password; "*" and the last i characters, then the first i and "*",
// for i from 1; "*", the k characters at j, "*", for j from 0 and k from 1.
class CDictionaryKeys {
 public:
  static constexpr std::uint64_t NONE = ~std::uint64_t{0};

  // Keeps a view of `password`, which must outlive the keys.
  explicit CDictionaryKeys(std::u16string_view password);

  // The place in that order of the first key equal to `line` (lower-cased),
  // 0 for the password itself; NONE when no key is equal.
  std::uint64_t Rank(std::u16string_view line) const;
  // False when a line, given as its bytes with its end removed, cannot be a
  // key once lower-cased; true when it may be. Reads a few bytes of it.
  bool MayBeKey(std::string_view bytes) const;
  // The byte a key that does not start with "*" starts with, as a small
  // letter; 0 when that first character is outside ASCII or there is none.
  char FirstByte() const { return m_firstByte; }
  // No line of more bytes can be a key (a character of 4 bytes is at least
  // one unit).
  std::size_t LongestKeyBytes() const { return 4 * (m_password.size() + 2); }

 private:
  bool HasChar(char16_t c) const { return c < 128 && (m_chars[c >> 6] >> (c & 63)) & 1; }
  bool HasPair(char16_t a, char16_t b) const {
    return a < 128 && b < 128 && (m_pairs[(a << 1) | (b >> 6)] >> (b & 63)) & 1;
  }

  std::u16string_view m_password;
  char m_firstByte = 0;
  // The ASCII characters of the password, and its pairs of ASCII
  // neighbours: an infix key's first one or two characters are among them.
  std::uint64_t m_chars[2] = {};
  std::uint64_t m_pairs[256] = {};
};

// The best line found: the lowest rank, and the earliest line on a tie (the
// first place of a pattern written more than once).
struct CDictionaryHit {
  std::uint64_t rank = CDictionaryKeys::NONE;
  std::size_t line = 0;     // the file's line number, from 1
  std::u16string pattern;   // the line lower-cased; may equal the password
  bool Found() const { return rank != CDictionaryKeys::NONE; }
  ~CDictionaryHit();
};

// Reads the open file `fd` once from where it stands to its end (a leading
// byte-order mark dropped, LF and CR LF ends alike, a last line without an
// end counted) and fills `hit`. False, with the last-error code set, when a
// read failed.
bool ScanDictionary(int fd, const CDictionaryKeys& keys, CDictionaryHit& hit);
