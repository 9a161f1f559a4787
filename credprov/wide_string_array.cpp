// The wide string list, with its capacity doubling as the list grows.
#include "credprov/wide_string_array.h"

#include <new>

#include "platform/base/text.h"
#include "platform/base/wipe.h"

CWideStringArray::CWideStringArray() {
  try {
    items.reserve(1);
    capacity = 1;
  } catch (const std::bad_alloc&) {
    capacity = 0;
  }
}

CWideStringArray::~CWideStringArray() { Clear(); }

int CWideStringArray::Add(std::u16string_view text) {
  try {
    if (items.size() >= capacity) {
      const std::uint32_t larger = capacity == 0 ? 1 : capacity * 2;
      items.reserve(larger);
      capacity = larger;
    }
    items.push_back(std::make_unique<std::u16string>(text));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return static_cast<int>(items.size() - 1);
}

int CWideStringArray::AddNarrow(std::string_view text) {
  std::u16string wide = Utf8ToUtf16(text);
  CWipeOnExit<char16_t> wipeWide(wide);
  return Add(wide);
}

const char16_t* CWideStringArray::Get(std::uint32_t index) const {
  return index < items.size() ? items[index]->c_str() : nullptr;
}

void CWideStringArray::Clear() {
  for (auto& item : items) WipeString(*item);
  items.clear();
}
