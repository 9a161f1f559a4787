// The program's lifetime and its matching driver: the search over start
// positions, one fresh CMatchContext per search, and the match result built
// from the capture records that still stand.
#include "pattern/pattern_program.h"

#include <algorithm>
#include <cstring>

CPatternProgram::~CPatternProgram() { Reset(); }

void CPatternProgram::Reset() {
  for (int32_t i = 0; i < ownedElements_.Count(); ++i) delete ownedElements_[i];
  ownedElements_.Clear();
  root_ = nullptr;
  highestGroup_ = 0;
  anchoredAtStart_ = false;
  startBytes_ = CStartBytes{};
  for (CPatternElement*& slot : stockElements_) slot = nullptr;
}

CPatternArray<int32_t> CPatternProgram::SearchText(const char* text) const {
  if (text == nullptr) return {};
  const size_t length = std::strlen(text);
  // Positions are 32-bit; a longer text is beyond what the engine can address.
  if (length > static_cast<size_t>(INT32_MAX - 1)) return {};
  return Search(text, static_cast<int32_t>(length), -1);
}

CPatternArray<int32_t> CPatternProgram::Search(const char* text, int32_t length,
                                               int32_t start) const {
  if (root_ == nullptr || text == nullptr || length < 0 || length > INT32_MAX - 1) return {};
  const bool rightToLeft = (flags_ & PATTERN_RIGHT_TO_LEFT) != 0;
  // -1 is the default start; any other negative start is taken as it too,
  // so no search ever begins outside the text.
  if (start < 0)
    start = rightToLeft ? length : 0;
  else if (start > length)
    start = rightToLeft ? length : length + 1;
  // The usual question line fails here, before a context is built.
  if (anchoredAtStart_ &&
      (start != 0 || !startBytes_.Allows(reinterpret_cast<const uint8_t*>(text), length, 0)))
    return {};
  CMatchContext context;
  context.text = reinterpret_cast<const uint8_t*>(text);
  context.length = length;
  context.position = start;
  context.searchStart = start;
  return SearchFrom(context);
}

CPatternArray<int32_t> CPatternProgram::SearchFrom(CMatchContext& context) const {
  const bool rightToLeft = (flags_ & PATTERN_RIGHT_TO_LEFT) != 0;
  const int32_t step = rightToLeft ? -1 : 1;
  const int32_t end = rightToLeft ? -1 : context.length + 1;
  while (context.position != end) {
    const int32_t start = context.position;
    if (!rightToLeft && !startBytes_.Allows(context.text, context.length, start)) {
      if (anchoredAtStart_) break;
      context.position = start + 1;
      continue;
    }
    context.backtrackStack.Clear();
    context.captureStack.Clear();
    context.groupTable.Clear();
    context.groupTable.SetCount(highestGroup_ + 1, -1);
    context.groupTable[0] = 0;
    // Group 0's record: its nesting counter stays negative so that no
    // closing bracket ever ends it; the driver stores its end.
    context.captureStack.Push(0);
    context.captureStack.Push(start);
    context.captureStack.Push(-1);
    context.captureStack.Push(-1);
    context.depth = 0;
    if (root_->Match(context)) {
      context.captureStack[CAPTURE_SECOND] = context.position;
      return MakeResult(context);
    }
    if (anchoredAtStart_) break;  // no later start can pass "^"
    context.position = start + step;
  }
  return {};
}

CPatternArray<int32_t> CPatternProgram::MakeResult(const CMatchContext& context) const {
  const int32_t groups = highestGroup_ + 1;
  CPatternArray<int32_t> result;
  result.SetCount(2 + 2 * groups, -1);
  result[0] = 1;
  result[1] = highestGroup_;
  for (int32_t k = 0; k < groups; ++k) {
    // Only a record that still stands counts; a group whose record was cut
    // away by backtracking did not take part.
    const int32_t record = FindCaptureRecord(context, k);
    if (record < 0) continue;
    const int32_t first = context.captureStack[record + CAPTURE_FIRST];
    const int32_t second = context.captureStack[record + CAPTURE_SECOND];
    if (second < 0) continue;  // never closed
    result[2 + 2 * k] = std::min(first, second);
    result[3 + 2 * k] = std::max(first, second);
  }
  return result;
}
