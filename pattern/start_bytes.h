// The bytes that a match can begin with, worked out once from the compiled
// tree (pattern_program.cpp uses it): a start position whose byte no match
// could begin with is skipped without trying the tree there. The outcome of
// a search is the same; question lines that fit no pattern are rejected sooner.
#pragma once

#include <cstdint>

class CPatternElement;

struct CStartBytes {
  uint64_t bits[4] = {};
  bool anyStart = true;  // a match may begin anywhere (or with no byte at all)

  bool Allows(const uint8_t* text, int32_t length, int32_t position) const {
    if (anyStart) return true;
    if (position >= length) return false;
    const uint8_t byte = text[position];
    return ((bits[byte >> 6] >> (byte & 63)) & 1) != 0;
  }
};

// The start bytes of a tree matched left to right.
CStartBytes FindStartBytes(const CPatternElement* root);
