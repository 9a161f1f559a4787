// SplitString.
#include "RemoteSvr/common/split_string.h"

void SplitString(std::string_view text, char separator, std::vector<std::string>& fields) {
  fields.clear();
  if (text.empty()) return;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == separator) {
      fields.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  fields.emplace_back(text.substr(start));
}
