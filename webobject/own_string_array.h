// The web object's lists of texts (questions, answers, hints): UTF-16
// strings that are wiped whenever they are dropped, since two of the lists
// hold answers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/base/wipe.h"

class COwnStringArray {
 public:
  COwnStringArray() = default;
  virtual ~COwnStringArray() { RemoveAll(); }
  COwnStringArray(const COwnStringArray&) = delete;
  COwnStringArray& operator=(const COwnStringArray&) = delete;

  std::size_t GetSize() const { return entries.size(); }
  const std::u16string& GetAt(std::size_t index) const { return entries[index]; }
  void SetAt(std::size_t index, std::u16string text) {
    WipeString(entries[index]);
    entries[index] = std::move(text);
  }
  void Add(std::u16string text) { entries.push_back(std::move(text)); }
  // New entries empty; dropped ones wiped.
  void SetSize(std::size_t size) {
    for (std::size_t i = size; i < entries.size(); ++i) WipeString(entries[i]);
    entries.resize(size);
  }
  void RemoveAll() { SetSize(0); }

 private:
  std::vector<std::u16string> entries;
};
