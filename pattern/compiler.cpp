// The pattern compiler: recursive descent over the lexer's tokens
// (alternation, sequence, atom and quantifier, groups, anchors,
// back-references), then a pass that numbers the named groups and resolves
// names and calls. Character classes are built in char_class.cpp.
#include <climits>
#include <initializer_list>

#include "pattern/char_class.h"
#include "pattern/pattern_program.h"

namespace {

constexpr int32_t kUnbounded = INT32_MAX;

bool IsSequenceEnd(const PatternToken& token) {
  return token.IsEnd() || token.IsSpecial('|') || token.IsSpecial(')');
}

CCaptureElement* OpeningBracket(const CPatternElement* group) {
  const auto* sequence = dynamic_cast<const CSequenceElement*>(group);
  if (sequence == nullptr || sequence->elements.Count() == 0) return nullptr;
  return dynamic_cast<CCaptureElement*>(sequence->elements[0]);
}

CCaptureElement* ClosingBracket(const CPatternElement* group) {
  const auto* sequence = dynamic_cast<const CSequenceElement*>(group);
  if (sequence == nullptr || sequence->elements.Count() == 0) return nullptr;
  return dynamic_cast<CCaptureElement*>(sequence->elements[sequence->elements.Count() - 1]);
}

// Group names compare by length and bytes, ignoring ASCII letter case.
bool SameName(const CPatternArray<uint8_t>& a, const CPatternArray<uint8_t>& b) {
  if (a.Count() != b.Count()) return false;
  for (int32_t i = 0; i < a.Count(); ++i) {
    uint8_t x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<uint8_t>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<uint8_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// A name made of digits is a group number; the name is then emptied.
bool TakeNumberFromName(CPatternArray<uint8_t>& name, int32_t& number) {
  if (!IsPatternNumber(name.Data(), name.Count(), number)) return false;
  name.Clear();
  return true;
}

// Whether every match of the tree must begin with "^" or "\A" (outside
// multi-line mode), found by following the first element of sequences.
bool StartsWithTextStart(const CPatternElement* element) {
  while (const auto* sequence = dynamic_cast<const CSequenceElement*>(element)) {
    if (sequence->rightToLeft || sequence->elements.Count() == 0) return false;
    element = sequence->elements[0];
  }
  const auto* anchor = dynamic_cast<const CAnchorElement*>(element);
  return anchor != nullptr && anchor->type == ANCHOR_TEXT_START && anchor->positive;
}

}  // namespace

// ---- stock elements ----------------------------------------------------

CPatternElement* CPatternProgram::GetStockElement(int32_t id) {
  if (id < 0 || id >= kStockElementCount) id = 0;
  if (stockElements_[id] != nullptr) return stockElements_[id];
  if (id == 0) return stockElements_[0] = Own<CEmptyElement>();

  // Ids 1 to 8 match left to right, 9 to 16 are the same right to left,
  // except that the right-to-left "\s" and "\S" also hold form feed and
  // vertical tab.
  const int32_t rightToLeft = id > 8 ? 1 : 0;
  const int32_t kind = rightToLeft ? id - 8 : id;
  const int32_t positive = (kind == 3 || kind == 5 || kind == 7) ? 1 : 0;
  CCharSetElement* set = Own<CCharSetElement>(rightToLeft, positive);
  const uint8_t word[] = {'A', 'Z', 'a', 'z', '0', '9'};
  const uint8_t digits[] = {'0', '9'};
  switch (kind) {
    case 1:
      break;
    case 2:
      set->singles.Push(10);
      break;
    case 3: case 4:
      set->ranges.AppendRun(word, 6);
      set->singles.Push('_');
      break;
    case 5: case 6:
      for (uint8_t c : {uint8_t{' '}, uint8_t{9}, uint8_t{13}, uint8_t{10}}) set->singles.Push(c);
      if (rightToLeft)
        for (uint8_t c : {uint8_t{12}, uint8_t{11}}) set->singles.Push(c);
      break;
    case 7: case 8:
      set->ranges.AppendRun(digits, 2);
      break;
  }
  set->Seal();
  return stockElements_[id] = set;
}

// ---- compile -----------------------------------------------------------

CPatternElement* CPatternProgram::Compile(const char* pattern, int32_t length, uint32_t flags) {
  highestGroup_ = 0;
  namedGroupCount_ = 0;
  flags_ = flags;
  groupTable_.Clear();
  calls_.Clear();
  namedGroups_.Clear();
  namedBackReferences_.Clear();
  namedConditions_.Clear();
  groupNesting_ = 0;
  nestedTooDeep_ = false;
  anchoredAtStart_ = false;
  startBytes_ = CStartBytes{};
  lexer_.Start(reinterpret_cast<const uint8_t*>(pattern), pattern == nullptr ? 0 : length, flags);

  root_ = ParseAlternation(flags);
  if (nestedTooDeep_) {
    root_ = nullptr;
    highestGroup_ = 0;
    return nullptr;
  }
  ResolveNames();
  anchoredAtStart_ = !(flags & PATTERN_RIGHT_TO_LEFT) && StartsWithTextStart(root_);
  if (!(flags & PATTERN_RIGHT_TO_LEFT)) startBytes_ = FindStartBytes(root_);
  return root_;
}

int32_t CPatternProgram::FindNamedGroupNumber(const CPatternArray<uint8_t>& name) const {
  for (int32_t j = 0; j < namedGroups_.Count(); ++j) {
    const CCaptureElement* open = OpeningBracket(namedGroups_[j]);
    if (open != nullptr && SameName(open->name, name)) return open->group;
  }
  return -3;
}

// Named groups are numbered after every unnamed one, in the order of their
// "("; groups that share a name share a number. Then calls, named
// back-references and named conditions find their groups.
void CPatternProgram::ResolveNames() {
  if (groupTable_.Count() < 1) groupTable_.SetCount(1, nullptr);
  groupTable_[0] = root_;
  groupCount_ = groupTable_.Count();
  groupTable_.SetCount(namedGroupCount_ + highestGroup_ + 1, nullptr);

  for (int32_t i = 0; i < namedGroups_.Count(); ++i) {
    CSequenceElement* group = namedGroups_[i];
    if (groupTable_.Count() <= groupCount_) groupTable_.SetCount(groupCount_ + 1, nullptr);
    groupTable_[groupCount_++] = group;
    CCaptureElement* open = OpeningBracket(group);
    CCaptureElement* close = ClosingBracket(group);
    if (open == nullptr || close == nullptr || open->group > 0) continue;
    for (int32_t j = 0; j <= i; ++j) {
      const CCaptureElement* first = OpeningBracket(namedGroups_[j]);
      if (first == nullptr || !SameName(first->name, open->name)) continue;
      const int32_t number = first->group >= 0 ? first->group : ++highestGroup_;
      open->group = close->group = number;
      break;
    }
  }

  highestGroup_ = 0;
  for (int32_t k = 1; k < groupCount_; ++k) {
    const CCaptureElement* open = OpeningBracket(groupTable_[k]);
    if (open != nullptr && open->group > highestGroup_) highestGroup_ = open->group;
  }

  for (int32_t i = 0; i < calls_.Count(); ++i) {
    CDelegateElement* call = calls_[i];
    if (call->group == -3) call->group = FindNamedGroupNumber(call->name);
    call->target = nullptr;
    if (call->group == 0) {
      call->target = root_;
    } else if (call->group > 0 && call->group <= highestGroup_) {
      for (int32_t k = 1; k < groupCount_; ++k) {
        const CCaptureElement* open = OpeningBracket(groupTable_[k]);
        if (open != nullptr && open->group == call->group) {
          call->target = groupTable_[k];
          break;
        }
      }
    }
  }
  for (int32_t i = 0; i < namedBackReferences_.Count(); ++i)
    namedBackReferences_[i]->group = FindNamedGroupNumber(namedBackReferences_[i]->name);
  for (int32_t i = 0; i < namedConditions_.Count(); ++i) {
    CConditionElement* condition = namedConditions_[i];
    const int32_t number = FindNamedGroupNumber(condition->name);
    if (number != -3) {
      condition->group = number;
      condition->assertion = nullptr;
    }
  }
}

// ---- alternation, sequence, atom ---------------------------------------

CPatternElement* CPatternProgram::ParseAlternation(uint32_t flags) {
  // `flags` is this alternation's own copy: "(?i)" in one alternative holds
  // for the later ones too, and ends with the alternation.
  if (lexer_.Next().IsEnd()) return GetStockElement(0);
  CPatternElement* first = ParseSequence(flags);
  if (!lexer_.Next().IsSpecial('|')) return first;
  CAlternationElement* alternation = Own<CAlternationElement>();
  alternation->alternatives.Push(first);
  while (lexer_.Next().IsSpecial('|')) {
    Consume();
    alternation->alternatives.Push(ParseSequence(flags));
  }
  return alternation;
}

CPatternElement* CPatternProgram::ParseSequence(uint32_t& flags) {
  if (IsSequenceEnd(lexer_.Next())) return GetStockElement(0);
  CPatternElement* atom = ParseAtom(flags);
  if (IsSequenceEnd(lexer_.Next())) return atom;
  CSequenceElement* sequence =
      Own<CSequenceElement>(static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT));
  sequence->elements.Push(atom);
  while (!IsSequenceEnd(lexer_.Next())) sequence->elements.Push(ParseAtom(flags));
  return sequence;
}

CPatternElement* CPatternProgram::ParseAtom(uint32_t& flags) {
  CPatternElement* atom = nullptr;
  CPatternArray<uint8_t> run;
  for (;;) {
    const PatternToken token = lexer_.Next();
    if (token.IsEnd()) break;
    if (token.special) {
      if (token.ch == ')' || token.ch == '|' || run.Count() > 0) break;
      switch (token.ch) {
        case '(':
          atom = ParseGroup(flags);
          break;
        case '[': case '.': case 'w': case 'W': case 's': case 'S': case 'd': case 'D':
          atom = ParseClass(flags);
          break;
        case '^': case '$': case 'A': case 'Z': case 'z': case 'b': case 'B': case 'G':
          atom = ParseAnchor(flags);
          break;
        case '\\': case 'k': case 'g':
          atom = ParseBackReference(flags);
          break;
        default:  // a quantifier or "}" with no atom before it is a literal byte
          run.Push(static_cast<uint8_t>(token.ch));
          Consume();
          continue;
      }
      break;
    }
    // A quantifier binds to one byte: the bytes before it are a literal of their own.
    const PatternToken after = lexer_.Second();
    if (after.special && (after.ch == '{' || after.ch == '?' || after.ch == '*' || after.ch == '+')) {
      if (run.Count() == 0) {
        run.Push(static_cast<uint8_t>(token.ch));
        Consume();
      }
      break;
    }
    run.Push(static_cast<uint8_t>(token.ch));
    Consume();
  }
  if (atom == nullptr) {
    if (run.Count() == 0) {
      atom = GetStockElement(0);
    } else {
      atom = Own<CLiteralElement>(run.Data(), run.Count(),
                                  static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT),
                                  static_cast<int32_t>(flags & PATTERN_IGNORE_CASE));
    }
  }

  const PatternToken quantifier = lexer_.Next();
  if (!quantifier.special) return atom;
  int32_t minimum = 0;
  int32_t maximum = 0;
  switch (quantifier.ch) {
    case '*':
      maximum = kUnbounded;
      Consume();
      break;
    case '+':
      minimum = 1;
      maximum = kUnbounded;
      Consume();
      break;
    case '?':
      maximum = 1;
      Consume();
      break;
    case '{': {
      Consume();
      CPatternArray<uint8_t> text;
      while (!lexer_.Next().IsEnd() && !lexer_.Next().IsSpecial('}')) {
        text.Push(static_cast<uint8_t>(lexer_.Next().ch));
        Consume();
      }
      Consume();
      int32_t at = 0;
      if (ReadPatternNumber(text.Data(), text.Count(), at, minimum)) {
        maximum = minimum;
        if (at < text.Count() && text[at] == ',') {
          ++at;
          if (!ReadPatternNumber(text.Data(), text.Count(), at, maximum)) maximum = kUnbounded;
        }
      }  // no first number: {0,0}, which drops the atom
      if (maximum < minimum) maximum = minimum;
      break;
    }
    default:
      return atom;
  }

  if (maximum == 0) return GetStockElement(0);
  if (minimum == maximum) {
    if (lexer_.Next().IsSpecial('?') || lexer_.Next().IsSpecial('+')) Consume();
    return Own<CFixedRepeatElement>(atom, minimum);
  }
  if (lexer_.Next().IsSpecial('?')) {
    Consume();
    return Own<CLazyRepeatElement>(atom, minimum, maximum);
  }
  if (lexer_.Next().IsSpecial('+')) {
    Consume();
    return Own<CPossessiveRepeatElement>(atom, minimum, maximum);
  }
  return Own<CGreedyRepeatElement>(atom, minimum, maximum);
}

// ---- groups ------------------------------------------------------------

CPatternElement* CPatternProgram::ParseBody(uint32_t flags) {
  if (lexer_.Next().IsEnd()) return GetStockElement(0);
  return ParseAlternation(flags);
}

CPatternElement* CPatternProgram::ParseGroup(uint32_t& flags) {
  // Every nesting of groups passes through here; too deep, the rest of the
  // pattern is given up and the whole pattern compiles to nothing.
  if (++groupNesting_ > kMaxGroupNesting) {
    nestedTooDeep_ = true;
    lexer_.Abandon();
  }
  if (nestedTooDeep_) {
    --groupNesting_;
    return GetStockElement(0);
  }
  CPatternElement* element = nullptr;
  Consume();  // "("
  const int32_t rightToLeft = static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT);

  if (!lexer_.Next().IsSpecial('?')) {
    CSequenceElement* group = Own<CSequenceElement>(rightToLeft);
    const int32_t number = ++highestGroup_;
    // Right to left the sequence meets ")" first, so the brackets swap roles.
    group->elements.Push(Own<CCaptureElement>(number, rightToLeft ? 1 : 0));
    group->elements.Push(ParseBody(flags));
    group->elements.Push(Own<CCaptureElement>(number, rightToLeft ? 0 : 1));
    if (groupTable_.Count() < number + 1) groupTable_.SetCount(number + 1, nullptr);
    groupTable_[number] = group;
    element = group;
  } else {
    Consume();  // "?"
    const uint8_t c = static_cast<uint8_t>(lexer_.Next().ch);
    const uint8_t after = static_cast<uint8_t>(lexer_.Second().ch);
    if (c == '=' || c == '!') {
      Consume();
      element = Own<CLookaroundElement>(ParseBody(flags & ~PATTERN_RIGHT_TO_LEFT), c == '=' ? 1 : 0);
    } else if (c == '<' && (after == '=' || after == '!')) {
      Consume();
      Consume();
      element = Own<CLookaroundElement>(ParseBody(flags | PATTERN_RIGHT_TO_LEFT),
                                        after == '=' ? 1 : 0);
    } else if (c == '<' || c == '\'' || c == 'P') {
      element = ParseNamedGroup(flags);
    } else if (c == '>') {
      Consume();
      element = Own<CAtomicGroupElement>(ParseBody(flags));
    } else if (c == '(') {
      element = ParseCondition(flags);
    } else if (c == 'R') {
      element = ParseCall();
    } else {
      element = ParseOptions(flags);
    }
  }
  Consume();  // ")"; at the end of the pattern the end token stays
  --groupNesting_;
  return element;
}

void CPatternProgram::ReadName(CPatternArray<uint8_t>& name, uint8_t terminator) {
  while (lexer_.Next().ch != 0 && lexer_.Next().ch != terminator) {
    const uint8_t byte = static_cast<uint8_t>(lexer_.Next().ch);
    name.AppendRun(&byte, 1);
    Consume();
  }
  Consume();  // the terminator
}

// "(?<name>...)", "(?'name'...)", "(?P<name>...)"; numbered after parsing.
CPatternElement* CPatternProgram::ParseNamedGroup(uint32_t flags) {
  if (lexer_.Next().ch == 'P') Consume();
  const uint8_t terminator = lexer_.Next().ch == '\'' ? '\'' : '>';
  Consume();
  const int32_t index = namedGroupCount_++;
  CSequenceElement* group =
      Own<CSequenceElement>(static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT));
  const int32_t rightToLeft = (flags & PATTERN_RIGHT_TO_LEFT) ? 1 : 0;
  CCaptureElement* open = Own<CCaptureElement>(-1, rightToLeft);
  CCaptureElement* close = Own<CCaptureElement>(-1, 1 - rightToLeft);
  ReadName(open->name, terminator);
  int32_t number = 0;
  if (TakeNumberFromName(open->name, number)) open->group = close->group = number;
  group->elements.Push(open);
  group->elements.Push(ParseBody(flags));
  group->elements.Push(close);
  if (namedGroups_.Count() < index + 1) namedGroups_.SetCount(index + 1, nullptr);
  namedGroups_[index] = group;
  return group;
}

// "(?(condition)yes|no)"; the next token is the condition's "(".
CPatternElement* CPatternProgram::ParseCondition(uint32_t& flags) {
  CConditionElement* condition = Own<CConditionElement>();
  if (lexer_.Second().IsSpecial('?')) {
    condition->assertion = ParseGroup(flags);
  } else {
    Consume();
    const int32_t length = lexer_.Length();
    const int32_t from = lexer_.Next().position < length ? lexer_.Next().position : length;
    condition->assertion = Own<CLookaroundElement>(ParseBody(flags), 1);
    int32_t to = lexer_.Next().position < length ? lexer_.Next().position : length;
    if (to < from) to = from;
    condition->name.AppendRun(lexer_.Pattern() + from, to - from);
    int32_t number = 0;
    if (IsPatternNumber(condition->name.Data(), condition->name.Count(), number)) {
      condition->group = number;
      condition->assertion = nullptr;
    } else {
      namedConditions_.Push(condition);
    }
    Consume();
  }
  uint32_t yesFlags = flags;
  condition->yes = ParseSequence(yesFlags);
  if (lexer_.Next().ch == '|') {
    Consume();
    condition->no = ParseAlternation(flags);
  }
  return condition;
}

// The group number of a call: the number at the start of the tokens up to
// ")", or 0.
CDelegateElement* CPatternProgram::ParseCallByNumber() {
  CPatternArray<uint8_t> text;
  while (!lexer_.Next().IsEnd() && lexer_.Next().ch != ')') {
    text.Push(static_cast<uint8_t>(lexer_.Next().ch));
    Consume();
  }
  int32_t at = 0;
  int32_t number = 0;
  if (!ReadPatternNumber(text.Data(), text.Count(), at, number)) number = 0;
  CDelegateElement* call = Own<CDelegateElement>(number);
  calls_.Push(call);
  return call;
}

// "(?R)", "(?R<name>)", "(?R'name')", "(?R2)".
CPatternElement* CPatternProgram::ParseCall() {
  Consume();  // "R"
  while (IsPatternSpace(lexer_.Next().ch)) Consume();
  const int32_t opener = lexer_.Next().ch;
  if (opener != '<' && opener != '\'') return ParseCallByNumber();
  CDelegateElement* call = Own<CDelegateElement>(-3);
  Consume();
  ReadName(call->name, opener == '<' ? '>' : '\'');
  int32_t number = 0;
  if (TakeNumberFromName(call->name, number)) call->group = number;
  calls_.Push(call);
  return call;
}

// Inline options "(?imsg-imsg)" and "(?imsg-imsg:...)", groups without
// capture, and calls by number "(?2)".
CPatternElement* CPatternProgram::ParseOptions(uint32_t& flags) {
  while (IsPatternSpace(lexer_.Next().ch)) Consume();
  if (IsPatternDigit(lexer_.Next().ch)) return ParseCallByNumber();
  uint32_t options = flags;
  bool clearing = false;
  for (;;) {
    const PatternToken token = lexer_.Next();
    if (token.IsEnd() || token.ch == ':' || token.ch == ')' || token.IsSpecial('(')) break;
    Consume();
    uint32_t bit = 0;
    switch (token.ch) {
      case '-': clearing = true; break;
      case 'i': case 'I': bit = PATTERN_IGNORE_CASE; break;
      case 'm': case 'M': bit = PATTERN_MULTI_LINE; break;
      case 's': case 'S': bit = PATTERN_DOT_ALL; break;
      case 'g': case 'G': bit = PATTERN_CONTINUE; break;
      default: break;  // other letters change nothing
    }
    options = clearing ? options & ~bit : options | bit;
  }
  if (lexer_.Next().ch == ':' || lexer_.Next().IsSpecial('(')) {
    if (lexer_.Next().ch == ':') Consume();
    return ParseAlternation(options);
  }
  // "(?i)": the options hold for the rest of the enclosing group.
  flags = options;
  return GetStockElement(0);
}

// ---- anchors and back-references ---------------------------------------

CPatternElement* CPatternProgram::ParseAnchor(uint32_t& flags) {
  const PatternToken token = lexer_.Next();
  Consume();
  const bool multiLine = (flags & PATTERN_MULTI_LINE) != 0;
  switch (token.ch) {
    case '^': return Own<CAnchorElement>(multiLine ? ANCHOR_LINE_START : ANCHOR_TEXT_START, 1);
    case '$': return Own<CAnchorElement>(multiLine ? ANCHOR_LINE_END : ANCHOR_TEXT_END, 1);
    case 'A': return Own<CAnchorElement>(ANCHOR_TEXT_START, 1);
    case 'z': return Own<CAnchorElement>(ANCHOR_TEXT_END, 1);
    case 'Z': return Own<CAnchorElement>(ANCHOR_FINAL_BREAK, 1);
    case 'b': return Own<CAnchorElement>(ANCHOR_WORD_BOUNDARY, 1);
    case 'B': return Own<CAnchorElement>(ANCHOR_WORD_BOUNDARY, 0);
    case 'G':
      if (flags & PATTERN_CONTINUE) return Own<CSearchStartElement>();
      return GetStockElement(0);
    default:
      return GetStockElement(0);
  }
}

CPatternElement* CPatternProgram::ParseBackReference(uint32_t& flags) {
  Consume();  // the backslash before digits, "\k" or "\g"
  const int32_t rightToLeft = static_cast<int32_t>(flags & PATTERN_RIGHT_TO_LEFT);
  const int32_t ignoreCase = static_cast<int32_t>(flags & PATTERN_IGNORE_CASE);
  const int32_t opener = lexer_.Next().ch;
  if (opener == '<' || opener == '\'') {
    CBackReferenceElement* reference = Own<CBackReferenceElement>(-1, rightToLeft, ignoreCase);
    Consume();
    ReadName(reference->name, opener == '<' ? '>' : '\'');
    int32_t number = 0;
    if (TakeNumberFromName(reference->name, number))
      reference->group = number;
    else
      namedBackReferences_.Push(reference);
    return reference;
  }
  int32_t number = 0;
  for (int digits = 0; digits < 3 && IsPatternDigit(lexer_.Next().ch); ++digits) {
    number = number * 10 + (lexer_.Next().ch - '0');
    Consume();
  }
  return Own<CBackReferenceElement>(number, rightToLeft, ignoreCase);
}
