// The compiled form of a pattern and its matching driver. Compile
// (compiler.cpp) reads tokens from the lexer (lexer.h) and builds a tree of
// elements (elements.h, char_class.h) that the program owns; Search runs the
// tree over a text start position by start position. CPattern (pattern.h)
// is the small wrapper that the service uses.
#pragma once

#include <cstdint>

#include "pattern/elements.h"
#include "pattern/lexer.h"
#include "pattern/pattern_array.h"
#include "pattern/pattern_flags.h"
#include "pattern/start_bytes.h"

class CByteClassElement;

// A pattern whose groups nest deeper than this compiles to nothing, so that
// neither the compiler nor the matcher can run out of stack on it.
inline constexpr int32_t kMaxGroupNesting = 200;

inline constexpr int32_t kStockElementCount = 17;

class CPatternProgram {
 public:
  CPatternProgram() = default;
  ~CPatternProgram();
  CPatternProgram(const CPatternProgram&) = delete;
  CPatternProgram& operator=(const CPatternProgram&) = delete;

  // Deletes every element the program owns; the program compiles nothing
  // until compiled again.
  void Reset();
  // Compiles the pattern (read only within `length`) under the flags and
  // returns the root element. Never fails: what cannot be made sense of is
  // compiled as far as it goes; a pattern nested too deep gives no root.
  CPatternElement* Compile(const char* pattern, int32_t length, uint32_t flags);
  // One of the 17 shared elements, created on first request (id 0 for an id
  // out of range).
  CPatternElement* GetStockElement(int32_t id);

  // The match result: empty for no match; else 1, the highest group number n,
  // then start and end of groups 0 .. n (-1, -1 for a group without a record).
  // `start` -1 is the default (0, or the length right to left). Cost: one
  // attempt per start position, each a backtracking walk of the tree.
  CPatternArray<int32_t> Search(const char* text, int32_t length, int32_t start) const;
  // Search over a NUL-terminated text from the default start.
  CPatternArray<int32_t> SearchText(const char* text) const;

  CPatternElement* RootElement() const { return root_; }
  uint32_t Flags() const { return flags_; }
  int32_t HighestGroupNumber() const { return highestGroup_; }

 private:
  template <typename T, typename... Args>
  T* Own(Args&&... args);

  CPatternArray<int32_t> SearchFrom(CMatchContext& context) const;
  CPatternArray<int32_t> MakeResult(const CMatchContext& context) const;

  CPatternElement* ParseAlternation(uint32_t flags);
  CPatternElement* ParseSequence(uint32_t& flags);
  CPatternElement* ParseAtom(uint32_t& flags);
  CPatternElement* ParseGroup(uint32_t& flags);
  CPatternElement* ParseAnchor(uint32_t& flags);
  CPatternElement* ParseBackReference(uint32_t& flags);
  CPatternElement* ParseClass(uint32_t& flags);

  CPatternElement* ParseBody(uint32_t flags);
  CPatternElement* ParseNamedGroup(uint32_t flags);
  CPatternElement* ParseCondition(uint32_t& flags);
  CPatternElement* ParseCall();
  CDelegateElement* ParseCallByNumber();
  CPatternElement* ParseOptions(uint32_t& flags);
  void ReadName(CPatternArray<uint8_t>& name, uint8_t terminator);
  CByteClassElement* ParseClassMember(uint32_t flags);
  CByteClassElement* ParsePosixClass(uint32_t flags);
  CPatternElement* ParseBracketClass(uint32_t flags);
  void ResolveNames();
  int32_t FindNamedGroupNumber(const CPatternArray<uint8_t>& name) const;
  void Consume() { lexer_.NextToken(); }

  CPatternElement* root_ = nullptr;
  uint32_t flags_ = 0;
  int32_t highestGroup_ = 0;
  int32_t namedGroupCount_ = 0;
  int32_t groupCount_ = 0;
  CPatternArray<CPatternElement*> ownedElements_;
  CPatternArray<CPatternElement*> groupTable_;
  CPatternArray<CDelegateElement*> calls_;
  CPatternArray<CSequenceElement*> namedGroups_;
  CPatternArray<CBackReferenceElement*> namedBackReferences_;
  CPatternArray<CConditionElement*> namedConditions_;
  CPatternLexer lexer_;
  CPatternElement* stockElements_[kStockElementCount] = {};

  int32_t groupNesting_ = 0;
  bool nestedTooDeep_ = false;
  // The tree can only match at the text start ("^" or "\A" first), so the
  // search tries position 0 alone; the outcome is the same, sooner.
  bool anchoredAtStart_ = false;
  // The bytes a left-to-right match can begin with.
  CStartBytes startBytes_;
};

template <typename T, typename... Args>
T* CPatternProgram::Own(Args&&... args) {
  T* element = new T(static_cast<Args&&>(args)...);
  ownedElements_.Push(element);
  return element;
}
