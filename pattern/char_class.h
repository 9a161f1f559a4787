// The elements that test one byte of the text: character sets ("[a-z]", ".",
// "\d" and the other class escapes) and POSIX classes ("[:alpha:]"). The
// class builder that makes them, CPatternProgram::ParseClass, is in
// char_class.cpp beside them.
#pragma once

#include <cstdint>

#include "pattern/elements.h"

// A byte test that a set can hold as a sub-element.
class CByteClassElement : public CPatternElement {
 public:
  explicit CByteClassElement(int32_t rightToLeft, int32_t positive)
      : rightToLeft(rightToLeft), positive(positive) {}
  // Whether Match would succeed on this byte.
  virtual bool AcceptsByte(uint8_t byte) const = 0;
  bool MatchNext(CMatchContext& context) const override;

  int32_t rightToLeft;
  int32_t positive;  // 0 for a negated class

 protected:
  // The byte that a match tests, or -1 at the end (the start, right to left).
  int32_t TestedByte(const CMatchContext& context) const {
    if (rightToLeft) return context.position >= 1 ? context.text[context.position - 1] : -1;
    return context.position < context.length ? context.text[context.position] : -1;
  }
  bool Advance(CMatchContext& context) const {
    context.position += rightToLeft ? -1 : 1;
    return true;
  }
};

class CCharSetElement : public CByteClassElement {
 public:
  CCharSetElement(int32_t rightToLeft, int32_t positive) : CByteClassElement(rightToLeft, positive) {}
  bool Match(CMatchContext& context) const override {
    const int32_t byte = TestedByte(context);
    return byte >= 0 && AcceptsByte(static_cast<uint8_t>(byte)) && Advance(context);
  }
  bool AcceptsByte(uint8_t byte) const override {
    return ((accepted_[byte >> 6] >> (byte & 63)) & 1) != 0;
  }
  // Whether the byte is a member of the ranges, the singles or a sub-element.
  bool IsMember(uint8_t byte) const;
  // Builds the table that Match reads, once the members are all in.
  void Seal();

  CPatternArray<uint8_t> ranges;   // pairs (low, high), inclusive, compared unsigned
  CPatternArray<uint8_t> singles;
  CPatternArray<CByteClassElement*> subElements;  // not owned

 private:
  uint64_t accepted_[4] = {};
};

using PosixClassRoutine = bool (*)(uint8_t byte);

class CPosixClassElement : public CByteClassElement {
 public:
  CPosixClassElement(PosixClassRoutine routine, int32_t rightToLeft, int32_t positive)
      : CByteClassElement(rightToLeft, positive), routine(routine) {}
  bool Match(CMatchContext& context) const override {
    const int32_t byte = TestedByte(context);
    return byte >= 0 && AcceptsByte(static_cast<uint8_t>(byte)) && Advance(context);
  }
  // An unknown name (no routine) never matches, negated or not.
  bool AcceptsByte(uint8_t byte) const override {
    return routine != nullptr && routine(byte) == (positive != 0);
  }

  PosixClassRoutine routine;  // null for an unknown class name
};

// The routine for a POSIX class name as written after "[:" (its closing ":"
// included, so "alpha:"); null when the name is none of the table's.
PosixClassRoutine FindPosixClass(const uint8_t* name, int32_t length);
