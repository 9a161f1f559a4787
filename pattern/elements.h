// The elements of a compiled pattern and their backtracking rules. The
// compiler (compiler.cpp) builds the tree; the driver (pattern_program.cpp)
// calls the root. All per-instance state goes onto the stacks of
// the CMatchContext, so one element object can stand for many instances.
// Character sets and POSIX classes are in char_class.h.
#pragma once

#include <cstdint>

#include "pattern/match_context.h"
#include "pattern/pattern_array.h"

// Match tries the first way at the context's position: on success the
// position stands after what matched and the stacks hold what MatchNext will
// need; on failure position and stacks are as they were. MatchNext is called
// only on the instance that succeeded last, after everything after it was
// undone; it tries the next way, and on failure the instance is wholly undone.
class CPatternElement {
 public:
  virtual bool Match(CMatchContext& context) const = 0;
  virtual bool MatchNext(CMatchContext& context) const = 0;
  virtual ~CPatternElement() = default;
};

// Matches the empty string once.
class CEmptyElement : public CPatternElement {
 public:
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;
};

class CSequenceElement : public CPatternElement {
 public:
  explicit CSequenceElement(int32_t rightToLeft) : rightToLeft(rightToLeft) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternArray<CPatternElement*> elements;
  int32_t rightToLeft;  // elements are matched last to first

 private:
  // Matches forward from step `next`, stepping back on a failure.
  bool Forward(CMatchContext& context, int32_t next) const;
  // Steps back from `next` to the first element that has a further way; the
  // step after it, or -1 when none has.
  int32_t StepBack(CMatchContext& context, int32_t next) const;
  CPatternElement* At(int32_t step) const {
    return elements[rightToLeft ? elements.Count() - 1 - step : step];
  }
};

class CAlternationElement : public CPatternElement {
 public:
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternArray<CPatternElement*> alternatives;
};

class CLiteralElement : public CPatternElement {
 public:
  CLiteralElement(const uint8_t* run, int32_t length, int32_t rightToLeft, int32_t ignoreCase);
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternArray<uint8_t> bytes;  // NUL after them, not counted
  int32_t rightToLeft;
  int32_t ignoreCase;  // a-z and A-Z compare equal, no other byte folds
};

class CBackReferenceElement : public CPatternElement {
 public:
  CBackReferenceElement(int32_t group, int32_t rightToLeft, int32_t ignoreCase)
      : group(group), rightToLeft(rightToLeft), ignoreCase(ignoreCase) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  int32_t group;  // -1 before a name is resolved, -3 for a name no group has
  CPatternArray<uint8_t> name;
  int32_t rightToLeft;
  int32_t ignoreCase;
};

// One bracket of a capturing group; the group is a sequence of "(" bracket,
// body and ")" bracket.
class CCaptureElement : public CPatternElement {
 public:
  CCaptureElement(int32_t group, int32_t close) : group(group), close(close) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  int32_t group;
  int32_t close;  // 0 opens the record, nonzero closes it
  CPatternArray<uint8_t> name;  // only the "(" bracket of a named group
};

class CFixedRepeatElement : public CPatternElement {
 public:
  CFixedRepeatElement(CPatternElement* body, int32_t count) : body(body), count(count) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternElement* body;
  int32_t count;
};

// The ranged repeats: minimum instances as a fixed repeat, then up to extra more.
class CRangedRepeatElement : public CPatternElement {
 public:
  CRangedRepeatElement(CPatternElement* body, int32_t minimum, int32_t maximum)
      : body(body), minimum(minimum), extra(maximum - minimum) {}

  CPatternElement* body;
  int32_t minimum;
  int32_t extra;  // maximum - minimum; unbounded is maximum 0x7fffffff

 protected:
  bool MatchMinimum(CMatchContext& context) const;
  bool MatchNextMinimum(CMatchContext& context) const;
  // Adds extra instances greedily; an instance that can only be empty is not kept.
  int32_t AddExtraInstances(CMatchContext& context) const;
  // Completes an instance that matched without moving: tries its further
  // ways until one moves. False when none does (the instance is then undone).
  bool MoveInstance(CMatchContext& context, int32_t start) const;
};

class CGreedyRepeatElement : public CRangedRepeatElement {
 public:
  using CRangedRepeatElement::CRangedRepeatElement;
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;
};

class CLazyRepeatElement : public CRangedRepeatElement {
 public:
  using CRangedRepeatElement::CRangedRepeatElement;
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;
};

class CPossessiveRepeatElement : public CRangedRepeatElement {
 public:
  using CRangedRepeatElement::CRangedRepeatElement;
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;
};

class CAtomicGroupElement : public CPatternElement {
 public:
  explicit CAtomicGroupElement(CPatternElement* body) : body(body) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternElement* body;
};

// Lookahead, or lookbehind when the body was compiled right to left.
class CLookaroundElement : public CPatternElement {
 public:
  CLookaroundElement(CPatternElement* body, int32_t positive) : body(body), positive(positive) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternElement* body;
  int32_t positive;  // 0 for a negative assertion
};

class CConditionElement : public CPatternElement {
 public:
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  int32_t group = -1;  // -1 when the condition is the assertion
  CPatternArray<uint8_t> name;
  CPatternElement* assertion = nullptr;
  CPatternElement* yes = nullptr;
  CPatternElement* no = nullptr;
};

// A call of the whole pattern or of a group; the target is not owned.
class CDelegateElement : public CPatternElement {
 public:
  explicit CDelegateElement(int32_t group) : group(group) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  CPatternElement* target = nullptr;
  int32_t group;  // -3 for a call by a name not yet (or never) resolved
  CPatternArray<uint8_t> name;
};

// "\G" under PATTERN_CONTINUE: only at the search start.
class CSearchStartElement : public CPatternElement {
 public:
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;
};

enum AnchorType : int32_t {
  ANCHOR_TEXT_START = 0,    // "\A", "^" outside multi-line mode
  ANCHOR_TEXT_END = 1,      // "\z", "$" outside multi-line mode
  ANCHOR_FINAL_BREAK = 2,   // "\Z": the end or before a final LF or CR LF
  ANCHOR_LINE_START = 3,    // "^" in multi-line mode
  ANCHOR_LINE_END = 4,      // "$" in multi-line mode
  ANCHOR_WORD_BOUNDARY = 7, // "\b", and "\B" negated
};

class CAnchorElement : public CPatternElement {
 public:
  CAnchorElement(int32_t type, int32_t positive) : type(type), positive(positive) {}
  bool Match(CMatchContext& context) const override;
  bool MatchNext(CMatchContext& context) const override;

  int32_t type;
  int32_t positive;
};

// A-Z, a-z, 0-9 and "_", as "\b" and "\w" see them.
inline bool IsPatternWordByte(int32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
