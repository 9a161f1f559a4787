// The repeats: fixed count, and the greedy, lazy and possessive ranged
// repeats. A repeat walks its instances in a loop (all of them matches of the
// one body element), so a long repeat costs stack entries, not recursion.
#include "pattern/elements.h"

namespace {

// Matches instances `next` .. count - 1; when one fails, asks the instances
// before it for their next ways. False when none is left (all undone).
bool RepeatForward(const CPatternElement* body, CMatchContext& context, int32_t next,
                   int32_t count) {
  while (next < count) {
    if (body->Match(context)) {
      ++next;
      continue;
    }
    for (;;) {
      if (next == 0) return false;
      --next;
      if (body->MatchNext(context)) {
        ++next;
        break;
      }
    }
  }
  return true;
}

// A fixed repeat's MatchNext: the next way of the last instance that has one,
// then the instances after it forward again.
bool RepeatNext(const CPatternElement* body, CMatchContext& context, int32_t count) {
  int32_t next = count;
  while (next > 0) {
    --next;
    if (body->MatchNext(context)) return RepeatForward(body, context, next + 1, count);
  }
  return false;
}

}  // namespace

// ---- fixed -------------------------------------------------------------

bool CFixedRepeatElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  return RepeatForward(body, context, 0, count);
}

bool CFixedRepeatElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  return RepeatNext(body, context, count);
}

// ---- shared by the ranged repeats --------------------------------------

bool CRangedRepeatElement::MatchMinimum(CMatchContext& context) const {
  return RepeatForward(body, context, 0, minimum);
}

bool CRangedRepeatElement::MatchNextMinimum(CMatchContext& context) const {
  return RepeatNext(body, context, minimum);
}

bool CRangedRepeatElement::MoveInstance(CMatchContext& context, int32_t start) const {
  while (body->MatchNext(context)) {
    if (context.position != start) return true;
  }
  return false;
}

// Instances that move all one way can be at most as many as the text is
// long. Only a call of a group compiled right to left can make instances move
// back and forth, without end; the same bound stops those.
static bool RoomForInstance(const CMatchContext& context, int32_t kept) {
  return kept <= context.length;
}

int32_t CRangedRepeatElement::AddExtraInstances(CMatchContext& context) const {
  int32_t kept = 0;
  while (kept < extra && RoomForInstance(context, kept)) {
    const int32_t start = context.position;
    if (!body->Match(context)) break;
    // An instance that only matches the empty string would repeat forever.
    if (context.position == start && !MoveInstance(context, start)) break;
    ++kept;
  }
  return kept;
}

// ---- greedy ------------------------------------------------------------

bool CGreedyRepeatElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  if (!MatchMinimum(context)) return false;
  context.backtrackStack.Push(AddExtraInstances(context));
  return true;
}

// A further way is the last extra instance's next way, or giving that
// instance up; no new instances are added after it.
bool CGreedyRepeatElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  int32_t kept = context.backtrackStack.Pop();
  if (kept > 0) {
    if (!body->MatchNext(context)) --kept;
    context.backtrackStack.Push(kept);
    return true;
  }
  if (!MatchNextMinimum(context)) return false;
  context.backtrackStack.Push(AddExtraInstances(context));
  return true;
}

// ---- lazy --------------------------------------------------------------

bool CLazyRepeatElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  if (!MatchMinimum(context)) return false;
  context.backtrackStack.Push(0);
  return true;
}

// Each extra instance keeps its start position under the count:
// ... [instance k's entries] [start k] [count].
bool CLazyRepeatElement::MatchNext(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  CPatternArray<int32_t>& stack = context.backtrackStack;
  int32_t kept = stack.Pop();
  const int32_t start = context.position;
  if (kept < extra && RoomForInstance(context, kept) && body->Match(context)) {
    if (context.position != start || MoveInstance(context, start)) {
      stack.Push(start);
      stack.Push(kept + 1);
      return true;
    }
  }
  while (kept > 0) {
    const int32_t instanceStart = stack.Pop();
    if (MoveInstance(context, instanceStart)) {
      stack.Push(instanceStart);
      stack.Push(kept);
      return true;
    }
    --kept;
  }
  if (!MatchNextMinimum(context)) return false;
  stack.Push(0);
  return true;
}

// ---- possessive --------------------------------------------------------

bool CPossessiveRepeatElement::Match(CMatchContext& context) const {
  CMatchDepthGuard guard(context);
  if (guard.TooDeep()) return false;
  const int32_t position = context.position;
  const int32_t backtrack = context.backtrackStack.Count();
  const int32_t captures = context.captureStack.Count();
  if (!MatchMinimum(context)) {
    context.backtrackStack.Truncate(backtrack);
    return false;
  }
  AddExtraInstances(context);
  // The instances can never be backtracked.
  context.backtrackStack.Truncate(backtrack);
  context.backtrackStack.Push(position);
  context.backtrackStack.Push(captures);
  return true;
}

bool CPossessiveRepeatElement::MatchNext(CMatchContext& context) const {
  context.captureStack.Truncate(context.backtrackStack.Pop());
  context.position = context.backtrackStack.Pop();
  return false;
}
