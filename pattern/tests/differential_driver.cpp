// Driver for the differential test (differential.py): reads cases as lines
// "<pattern hex> <text hex>" and answers each with "none" or the spans of
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
    const size_t blank = line.find(' ');
    if (blank == std::string::npos || !FromHex(line.substr(0, blank), pattern) ||
        !FromHex(line.substr(blank + 1), text)) {
      std::cout << "bad input\n";
      continue;
    }
    CPatternProgram program;
    program.Reset();
    program.Compile(pattern.data(), static_cast<int32_t>(pattern.size()), 0);
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
