// The string list behind the list form of the digest text.
#include "RemoteSvr/common/big_string_array.h"

#include "platform/base/wipe.h"

namespace {
void WipeAll(std::vector<std::string>& strings) {
  for (std::string& entry : strings) WipeString(entry);
  strings.clear();
}
}  // namespace

CBigStringArray::~CBigStringArray() { WipeAll(strings); }

void CBigStringArray::Load(const std::vector<std::string>& list) {
  WipeAll(strings);
  strings = list;
  wrapsArray = 1;
}

const char* CBigStringArray::GetAt(int index) const {
  if (wrapsArray == 0 || index < 0 || index >= GetSize()) return "";
  return strings[static_cast<std::size_t>(index)].c_str();
}
