// All state of one match run: the three stacks that backtracking undoes, the
// position and the text. Elements (elements.h) keep nothing of their own
// while matching; the driver (pattern_program.cpp) builds one per search.
#pragma once

#include <cstdint>

#include "pattern/pattern_array.h"

// Calls from element to element nest at most this deep. Only recursion
// ("(?R)", "(?1)") can nest without bound; past the limit a call fails instead
// of overflowing the stack. A nesting-limited pattern (compiler.cpp) needs far
// fewer levels than this.
inline constexpr int32_t kMaxMatchDepth = 6000;

// A capture record on the capture stack is four integers.
inline constexpr int32_t kCaptureRecordSize = 4;
enum CaptureField : int32_t {
  CAPTURE_GROUP = 0,    // group number
  CAPTURE_FIRST = 1,    // first position
  CAPTURE_SECOND = 2,   // second position, -1 while the group is open
  CAPTURE_NESTING = 3,  // 0, or negative while re-entered before it closed
};

// Entries of each stack kept inside the context, so that a search over a
// short line allocates nothing.
inline constexpr int32_t kContextStackEntries = 64;

struct CMatchContext {
  CMatchContext()
      : backtrackStack(backtrackBlock_, kContextStackEntries),
        captureStack(captureBlock_, kContextStackEntries),
        groupTable(groupBlock_, kContextStackEntries) {}
  CMatchContext(const CMatchContext&) = delete;
  CMatchContext& operator=(const CMatchContext&) = delete;

 private:
  // Declared first: the arrays below start out in these blocks.
  int32_t backtrackBlock_[kContextStackEntries];
  int32_t captureBlock_[kContextStackEntries];
  int32_t groupBlock_[kContextStackEntries];

 public:
  CPatternArray<int32_t> backtrackStack;
  CPatternArray<int32_t> captureStack;
  CPatternArray<int32_t> groupTable;  // group number -> index of its latest record, or -1
  int32_t position = 0;
  int32_t searchStart = 0;
  const uint8_t* text = nullptr;
  int32_t length = 0;
  int32_t depth = 0;  // current nesting of element calls (kMaxMatchDepth)
};

// The index of the group's live record on the capture stack, or -1. The
// group table's entry is only a hint: a possessive repeat, an atomic group or
// a lookaround may have cut the stack back below it, so the search steps down
// from the hint (or from the top) to the latest record of that group that
// still stands. Every reader of records goes through here, so a record that
// backtracking removed is never read.
inline int32_t FindCaptureRecord(const CMatchContext& context, int32_t group) {
  if (group < 0 || group >= context.groupTable.Count()) return -1;
  const CPatternArray<int32_t>& stack = context.captureStack;
  int32_t index = context.groupTable[group];
  if (index >= stack.Count()) index = stack.Count() - kCaptureRecordSize;
  while (index >= 0 && stack[index + CAPTURE_GROUP] != group) index -= kCaptureRecordSize;
  return index < 0 ? -1 : index;
}

// Counts one level of element nesting for as long as the guard lives.
class CMatchDepthGuard {
 public:
  explicit CMatchDepthGuard(CMatchContext& context) : context_(context) { ++context_.depth; }
  ~CMatchDepthGuard() { --context_.depth; }
  CMatchDepthGuard(const CMatchDepthGuard&) = delete;
  CMatchDepthGuard& operator=(const CMatchDepthGuard&) = delete;
  // A Match that finds itself too deep fails before it changes anything.
  bool TooDeep() const { return context_.depth > kMaxMatchDepth; }

 private:
  CMatchContext& context_;
};
