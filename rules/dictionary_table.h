// The dictionary file as one check reads it: the file's bytes lower-cased
// once, in place, and an open-addressing table of its distinct pattern lines
// that points into those bytes. dictionary.cpp counts the entries with it
// and looks the password's keys up in it (FindWildcardEntryIn); nothing is
// allocated per line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/large_buffer.h"

// A line counts as a pattern when it starts with "*", a digit or a letter;
// the rest (empty, blank, "#", "-", ...) are comments.
bool IsDictionaryPatternLine(std::u16string_view line);

class CDictionaryTable {
 public:
  CDictionaryTable() = default;
  ~CDictionaryTable();
  CDictionaryTable(const CDictionaryTable&) = delete;
  CDictionaryTable& operator=(const CDictionaryTable&) = delete;

  // Reads the file (a leading byte-order mark dropped): every line that
  // counts, lower-cased, enters the table once. Lines end at LF, a CR
  // before it is dropped, and a last line without an end counts. False,
  // with the last-error code set, when the file cannot be read or memory
  // for it cannot be had.
  bool Read(const std::string& path);

  bool Empty() const { return m_count == 0; }
  // The number of distinct patterns.
  std::size_t Size() const { return m_count; }
  // The longest pattern in UTF-16 units: no longer key can be found.
  std::size_t Longest() const { return m_longest; }
  // Whether a lower-cased key is one of the patterns.
  bool Contains(std::u16string_view key) const;
  // The file's line number (from 1) where the pattern equal to `key` is
  // first written; 0 when none is.
  std::size_t LineOf(std::u16string_view key) const;

 private:
  // A slot: the hash's top 24 bits over where the pattern starts plus one
  // (40 bits; 0 is an empty slot). Offsets past the file's bytes are in
  // m_spill.
  static constexpr int kOffsetBits = 40;
  static constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;

  // A line whose lower-cased form is no longer its bytes (outside ASCII):
  // kept in m_spill as its line's offset in the file, its length, its bytes.
  struct SpillHead {
    std::uint64_t lineOffset;
    std::uint64_t length;
  };

  // A key's bytes as patterns are kept (UTF-8 of its UTF-16 text) in m_key.
  void KeyBytes(std::u16string_view key) const;
  // The slot of the pattern equal to a key; 0 when there is none.
  std::uint64_t SlotOf(std::u16string_view key) const;
  // The slot holding the pattern equal to `bytes`, or the empty slot where
  // it would go.
  std::size_t Find(std::string_view bytes, std::uint64_t hash) const;
  // Whether the pattern that starts at `offset` is `bytes`.
  bool Equals(std::uint64_t offset, std::string_view bytes) const;
  // The bytes of a pattern of `length` bytes at `offset`.
  std::string_view Bytes(std::uint64_t offset, std::size_t length) const;
  // The offset in the file of the line where the pattern at `offset` is.
  std::uint64_t LineOffset(std::uint64_t offset) const;
  void Insert(std::uint64_t hash, std::uint64_t offset, std::size_t length);

  // The pass over the file's bytes; false when a line cannot be pointed at.
  bool Load();

  CLargeBuffer m_file;  // the file, lower-cased in place
  std::string_view m_bytes;  // its bytes in m_file
  std::string m_spill;
  CLargeBuffer m_table;
  std::uint64_t* m_slots = nullptr;
  std::size_t m_slotCount = 0;
  std::size_t m_count = 0;
  std::size_t m_longest = 0;
  mutable std::string m_key;  // a key's bytes; a piece of a password, wiped
};
