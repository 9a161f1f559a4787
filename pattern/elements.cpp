// Matching and backtracking of the structural elements: empty, sequence,
// alternation, literal, back-reference, capture brackets, assertions, calls
// and anchors. The repeats are in repeat_elements.cpp, the byte classes in
// char_class.cpp.
#include "pattern/elements.h"

#include <algorithm>
#include <cstring>

namespace {

uint8_t FoldCase(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c; }

bool SameBytes(const uint8_t* a, const uint8_t* b, int32_t length, int32_t ignoreCase) {
  if (!ignoreCase) return length == 0 || std::memcmp(a, b, static_cast<size_t>(length)) == 0;
  for (int32_t i = 0; i < length; ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace

// ---- empty -------------------------------------------------------------

bool CEmptyElement::Match(CMatchContext&) const { return true; }
bool CEmptyElement::MatchNext(CMatchContext&) const { return false; }

// ---- sequence ----------------------------------------------------------

int32_t CSequenceElement::StepBack(CMatchContext& context, int32_t next) const {
  while (next > 0) {
    --next;
    if (At(next)->MatchNext(context)) return next + 1;
  }
  return -1;
}

bool CSequenceElement::Forward(CMatchContext& context, int32_t next) const {
  const int32_t count = elements.Count();
  while (next < count) {
    if (At(next)->Match(context)) {
      ++next;
      continue;
    }
    next = StepBack(context, next);
    if (next < 0) return false;
  }
  return true;
}

bool CSequenceElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  return Forward(context, 0);
}

bool CSequenceElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  const int32_t next = StepBack(context, elements.Count());
  return next >= 0 && Forward(context, next);
}

// ---- alternation -------------------------------------------------------

bool CAlternationElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  if (alternatives.Count() == 0) return true;
  for (int32_t i = 0; i < alternatives.Count(); ++i) {
    if (alternatives[i]->Match(context)) {
      context.backtrackStack.Push(i);
      return true;
    }
  }
  return false;
}

bool CAlternationElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (alternatives.Count() == 0) return false;
  int32_t i = context.backtrackStack.Pop();
  if (alternatives[i]->MatchNext(context)) {
    context.backtrackStack.Push(i);
    return true;
  }
  while (++i < alternatives.Count()) {
    if (alternatives[i]->Match(context)) {
      context.backtrackStack.Push(i);
      return true;
    }
  }
  return false;
}

// ---- literal -----------------------------------------------------------

CLiteralElement::CLiteralElement(const uint8_t* run, int32_t length, int32_t rightToLeft,
                                 int32_t ignoreCase)
    : rightToLeft(rightToLeft), ignoreCase(ignoreCase) {
  bytes.AppendRun(run, length);
}

bool CLiteralElement::Match(CMatchContext& context) const {
  const int32_t n = bytes.Count();
  const int32_t position = context.position;
  if (rightToLeft) {
    if (position < n || !SameBytes(context.text + position - n, bytes.Data(), n, ignoreCase))
      return false;
    context.position = position - n;
  } else {
    if (context.length - position < n ||
        !SameBytes(context.text + position, bytes.Data(), n, ignoreCase))
      return false;
    context.position = position + n;
  }
  return true;
}

bool CLiteralElement::MatchNext(CMatchContext& context) const {
  context.position += rightToLeft ? bytes.Count() : -bytes.Count();
  return false;
}

// ---- back-reference ----------------------------------------------------

bool CBackReferenceElement::Match(CMatchContext& context) const {
  // A group whose record is gone (cut back by backtracking) has not taken part.
  const int32_t record = FindCaptureRecord(context, group);
  if (record < 0) return false;
  const int32_t first = context.captureStack[record + CAPTURE_FIRST];
  int32_t second = context.captureStack[record + CAPTURE_SECOND];
  const int32_t position = context.position;
  if (second < 0) second = position;  // still open: up to here
  const int32_t from = std::min(first, second);
  const int32_t n = std::max(first, second) - from;
  const uint8_t* referenced = context.text + from;
  if (rightToLeft) {
    if (position < n || !SameBytes(context.text + position - n, referenced, n, ignoreCase))
      return false;
    context.backtrackStack.Push(position);
    context.position = position - n;
  } else {
    if (context.length - position < n ||
        !SameBytes(context.text + position, referenced, n, ignoreCase))
      return false;
    context.backtrackStack.Push(position);
    context.position = position + n;
  }
  return true;
}

bool CBackReferenceElement::MatchNext(CMatchContext& context) const {
  context.position = context.backtrackStack.Pop();
  return false;
}

// ---- capture brackets --------------------------------------------------

bool CCaptureElement::Match(CMatchContext& context) const {
  CPatternArray<int32_t>& stack = context.captureStack;
  if (!close) {
    if (group < 0) return false;
    if (context.groupTable.Count() <= group) context.groupTable.SetCount(group + 1, -1);
    const int32_t record = FindCaptureRecord(context, group);
    if (record >= 0 && stack[record + CAPTURE_SECOND] == -1) {
      // Re-entered by recursion before it closed.
      --stack[record + CAPTURE_NESTING];
      return true;
    }
    context.groupTable[group] = stack.Count();
    stack.Push(group);
    stack.Push(context.position);
    stack.Push(-1);
    stack.Push(0);
    return true;
  }
  const int32_t record = FindCaptureRecord(context, group);
  if (record < 0) return true;
  if (stack[record + CAPTURE_NESTING] >= 0)
    stack[record + CAPTURE_SECOND] = context.position;
  else
    ++stack[record + CAPTURE_NESTING];
  return true;
}

bool CCaptureElement::MatchNext(CMatchContext& context) const {
  CPatternArray<int32_t>& stack = context.captureStack;
  const int32_t record = FindCaptureRecord(context, group);
  if (record < 0) return false;
  if (!close) {
    if (stack[record + CAPTURE_NESTING] >= 0) {
      // Our record is the top one; cutting at it also keeps a broken order
      // from leaving a record above it.
      stack.Truncate(record);
      int32_t previous = record - kCaptureRecordSize;
      while (previous >= 0 && stack[previous + CAPTURE_GROUP] != group)
        previous -= kCaptureRecordSize;
      context.groupTable[group] = previous < 0 ? -1 : previous;
    } else {
      ++stack[record + CAPTURE_NESTING];
    }
    return false;
  }
  if (stack[record + CAPTURE_SECOND] >= 0) {
    stack[record + CAPTURE_SECOND] = -1;
    stack[record + CAPTURE_NESTING] = 0;
  } else {
    --stack[record + CAPTURE_NESTING];
  }
  return false;
}

// ---- atomic group and lookaround ---------------------------------------

bool CAtomicGroupElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  const int32_t position = context.position;
  const int32_t backtrack = context.backtrackStack.Count();
  const int32_t captures = context.captureStack.Count();
  const bool matched = body->Match(context);
  context.backtrackStack.Truncate(backtrack);
  if (!matched) return false;
  context.backtrackStack.Push(position);
  context.backtrackStack.Push(captures);
  return true;
}

bool CAtomicGroupElement::MatchNext(CMatchContext& context) const {
  context.captureStack.Truncate(context.backtrackStack.Pop());
  context.position = context.backtrackStack.Pop();
  return false;
}

bool CLookaroundElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  const int32_t position = context.position;
  const int32_t backtrack = context.backtrackStack.Count();
  const int32_t captures = context.captureStack.Count();
  bool holds = body->Match(context);
  if (!positive) holds = !holds;
  context.backtrackStack.Truncate(backtrack);
  context.position = position;
  if (!holds) {
    context.captureStack.Truncate(captures);
    return false;
  }
  context.backtrackStack.Push(captures);
  return true;
}

bool CLookaroundElement::MatchNext(CMatchContext& context) const {
  context.captureStack.Truncate(context.backtrackStack.Pop());
  return false;
}

// ---- conditional -------------------------------------------------------

bool CConditionElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  const int32_t position = context.position;
  const int32_t backtrack = context.backtrackStack.Count();
  const int32_t captures = context.captureStack.Count();
  bool holds;
  if (group == -1) {
    holds = assertion == nullptr || assertion->Match(context);
    context.backtrackStack.Truncate(backtrack);
    context.position = position;
  } else {
    // Taking part means having a record that still stands.
    holds = FindCaptureRecord(context, group) >= 0;
  }
  const CPatternElement* branch = holds ? yes : no;
  if (branch != nullptr && !branch->Match(context)) {
    context.captureStack.Truncate(captures);
    return false;
  }
  context.backtrackStack.Push(captures);
  context.backtrackStack.Push(holds ? 1 : 0);
  return true;
}

bool CConditionElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  const bool holds = context.backtrackStack.Pop() != 0;
  const int32_t captures = context.backtrackStack.Pop();
  const CPatternElement* branch = holds ? yes : no;
  if (branch != nullptr && branch->MatchNext(context)) {
    context.backtrackStack.Push(captures);
    context.backtrackStack.Push(holds ? 1 : 0);
    return true;
  }
  context.captureStack.Truncate(captures);
  return false;
}

// ---- calls -------------------------------------------------------------

bool CDelegateElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  return target == nullptr || target->Match(context);
}

bool CDelegateElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  return target != nullptr && target->MatchNext(context);
}

// ---- search start and anchors ------------------------------------------

bool CSearchStartElement::Match(CMatchContext& context) const {
  return context.position == context.searchStart;
}
bool CSearchStartElement::MatchNext(CMatchContext&) const { return false; }

bool CAnchorElement::Match(CMatchContext& context) const {
  const int32_t p = context.position;
  const int32_t length = context.length;
  const uint8_t* text = context.text;
  // A missing neighbour is no word byte and no line break (-1).
  const int32_t previous = p >= 1 ? text[p - 1] : -1;
  const int32_t next = p < length ? text[p] : -1;
  bool holds = false;
  switch (type) {
    case ANCHOR_TEXT_START:
      holds = p < 1;
      break;
    case ANCHOR_TEXT_END:
      holds = p >= length;
      break;
    case ANCHOR_FINAL_BREAK:
      holds = p >= length ||
              (length >= 1 && text[length - 1] == 10 &&
               (p == length - 1 || (length >= 2 && text[length - 2] == 13 && p == length - 2)));
      break;
    case ANCHOR_LINE_START:
      holds = p < 1 || previous == 10 || (previous == 13 && next != 10);
      break;
    case ANCHOR_LINE_END:
      holds = p >= length || next == 13 || (next == 10 && previous != 13);
      break;
    case ANCHOR_WORD_BOUNDARY:
      holds = IsPatternWordByte(previous) != IsPatternWordByte(next);
      break;
    default:
      holds = false;
      break;
  }
  return positive ? holds : !holds;
}

bool CAnchorElement::MatchNext(CMatchContext&) const { return false; }
