// CPattern over CPatternProgram: compile once in the constructor, then any
// number of searches, each turning the match result into group strings.
#include "pattern/pattern.h"

#include <cstring>

#include "pattern/pattern_program.h"

CPattern::CPattern(const char* pattern, int caseSensitive) : program(new CPatternProgram) {
  program->Reset();
  const char* text = pattern == nullptr ? "" : pattern;
  const size_t length = std::strlen(text);
  program->Compile(text, length > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(length),
                   caseSensitive ? 0 : PATTERN_IGNORE_CASE);
}

CPattern::~CPattern() { delete program; }

int CPattern::Match(const std::string& text, std::vector<std::string>& groups) const {
  groups.clear();
  const CPatternArray<int32_t> result = program->SearchText(text.c_str());
  if (result.Count() == 0) return 0;
  const int32_t highest = result[1];
  groups.resize(static_cast<size_t>(highest) + 1);
  for (int32_t k = 0; k <= highest; ++k) {
    const int32_t start = result[2 + 2 * k];
    const int32_t end = result[3 + 2 * k];
    if (start >= 0 && end >= 0) groups[k].assign(text, static_cast<size_t>(start),
                                                 static_cast<size_t>(end - start));
  }
  return 1;
}
