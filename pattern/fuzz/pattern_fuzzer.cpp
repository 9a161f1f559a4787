// libFuzzer target: compile a pattern under any flags, then search a text
// from any start, and walk the result. Input: a flag byte, a start byte
// (255 for the default start), a pattern length byte, the pattern, the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pattern/pattern.h"
#include "pattern/pattern_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t flags = data[0] & 0x3f;
  const int32_t start = data[1] == 255 ? -1 : data[1];
  size_t patternLength = data[2];
  data += 3;
  size -= 3;
  if (patternLength > size) patternLength = size;
  // Copies of exactly their length, so the sanitizer sees any read past them.
  const std::vector<char> pattern(data, data + patternLength);
  const std::vector<char> text(data + patternLength, data + size);

  CPatternProgram program;
  program.Reset();
  program.Compile(pattern.data(), static_cast<int32_t>(pattern.size()), flags);
  const CPatternArray<int32_t> result =
      program.Search(text.data(), static_cast<int32_t>(text.size()), start);
  if (result.Count() > 0) {
    const int32_t highest = result[1];
    if (result.Count() != 2 + 2 * (highest + 1)) __builtin_trap();
    for (int32_t k = 0; k <= highest; ++k) {
      const int32_t from = result[2 + 2 * k];
      const int32_t to = result[3 + 2 * k];
      if ((from < 0) != (to < 0) || from > to || to > static_cast<int32_t>(text.size()))
        __builtin_trap();
    }
  }
  // The wrapper as the service uses it, on the text up to its first NUL.
  if (flags == 0 || flags == PATTERN_IGNORE_CASE) {
    const std::string patternText(pattern.begin(), pattern.end());
    const CPattern wrapper(patternText.c_str(), flags == 0);
    std::vector<std::string> groups;
    wrapper.Match(std::string(text.begin(), text.end()), groups);
  }
  return 0;
}
