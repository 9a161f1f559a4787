// A growable list of owned wide strings: the provider's servers to try, and a
// session's questions, hints and stored answers. Entries are wiped when they
// go, since some are answers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CWideStringArray {
 public:
  // Empty, with room for one entry.
  CWideStringArray();
  ~CWideStringArray();
  CWideStringArray(const CWideStringArray&) = delete;
  CWideStringArray& operator=(const CWideStringArray&) = delete;

  // Adds a copy of `text`; the room doubles whenever it is full. The new
  // entry's index, or -1 with nothing added when no room could be had.
  int Add(std::u16string_view text);
  // Adds UTF-8 text as UTF-16 (the project's one conversion).
  int AddNarrow(std::string_view text);

  // The entry at `index`, or nullptr at or past the end.
  const char16_t* Get(std::uint32_t index) const;
  std::uint32_t GetCount() const { return static_cast<std::uint32_t>(items.size()); }
  std::uint32_t GetCapacity() const { return capacity; }

  // Wipes and drops every entry; the room stays.
  void Clear();

 private:
  // Each entry on the heap of its own, so growing the list moves pointers,
  // never the text (a moved short string would leave a copy behind).
  std::vector<std::unique_ptr<std::u16string>> items;
  std::uint32_t capacity = 0;
};
