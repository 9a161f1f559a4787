// Driver for the differential test (differential.py): reads cases as lines
// "<flags> <pattern hex> <text hex>" and answers each with "none" or the spans of
// groups 0 .. n, so the script can compare them with Python's re.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "pattern/pattern_program.h"

namespace {

bool FromHex(const std::string& hex, std::string& bytes) {
  if (hex == "-") {
    bytes.clear();
    return true;
  }
  if (hex.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    if (sscanf(hex.c_str() + i, "%2x", &value) != 1) return false;
    bytes.push_back(static_cast<char>(value));
  }
  return true;
}

}  // namespace

int main() {
  std::string line;
  std::string pattern;
  std::string text;
  while (std::getline(std::cin, line)) {
    const size_t first = line.find(' ');
    const size_t blank = first == std::string::npos ? first : line.find(' ', first + 1);
    if (blank == std::string::npos || !FromHex(line.substr(first + 1, blank - first - 1), pattern) ||
        !FromHex(line.substr(blank + 1), text)) {
      std::cout << "bad input\n";
      continue;
    }
    CPatternProgram program;
    program.Reset();
    const uint32_t flags = static_cast<uint32_t>(std::stoul(line.substr(0, first)));
    program.Compile(pattern.data(), static_cast<int32_t>(pattern.size()), flags);
    const CPatternArray<int32_t> result =
        program.Search(text.data(), static_cast<int32_t>(text.size()), -1);
    if (result.Count() == 0) {
      std::cout << "none\n";
      continue;
    }
    std::string out;
    for (int32_t k = 0; k <= result[1]; ++k)
      out += std::to_string(result[2 + 2 * k]) + " " + std::to_string(result[3 + 2 * k]) + " ";
    std::cout << out << "\n";
  }
  return 0;
}
