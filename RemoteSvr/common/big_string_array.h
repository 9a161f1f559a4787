// A list of strings read by index, the view that the list form of the digest
// text reads through (md5_context.h).
#pragma once

#include <string>
#include <vector>

class CBigStringArray {
 public:
  CBigStringArray() = default;
  // The entries may be answers: they are wiped, not just released.
  virtual ~CBigStringArray();
  CBigStringArray(const CBigStringArray&) = delete;
  CBigStringArray& operator=(const CBigStringArray&) = delete;

  // Copies the list in, in place of the one loaded before.
  void Load(const std::vector<std::string>& list);

  // Entry `index` as a zero-ended byte string, valid while this array lives
  // and is not loaded again; "" for an index outside the list.
  const char* GetAt(int index) const;

  int GetSize() const { return static_cast<int>(strings.size()); }

 private:
  int wrapsArray = 0;  // nonzero once a list was loaded
  std::vector<std::string> strings;
};
