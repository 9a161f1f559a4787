// Works out the bytes a left-to-right match can begin with by walking the
// element tree: literals and byte classes give their bytes, zero-width
// elements are passed over, repeats and alternations combine their parts, and
// whatever cannot be judged simply (calls, back-references, conditions,
// right-to-left parts) allows every start.
#include "pattern/start_bytes.h"

#include "pattern/char_class.h"
#include "pattern/elements.h"

namespace {

struct FirstBytes {
  uint64_t bits[4] = {};
  bool nullable = false;  // may match without consuming a byte
  bool unknown = false;   // cannot tell: any start is possible

  void Add(int32_t byte) { bits[byte >> 6] |= uint64_t{1} << (byte & 63); }
  void Merge(const FirstBytes& other) {
    for (int i = 0; i < 4; ++i) bits[i] |= other.bits[i];
    unknown = unknown || other.unknown;
  }
};

FirstBytes Unknown() {
  FirstBytes first;
  first.unknown = true;
  first.nullable = true;
  return first;
}

FirstBytes ZeroWidth() {
  FirstBytes first;
  first.nullable = true;
  return first;
}

// Nesting is bounded by the compiler's limit; calls are not followed.
FirstBytes Find(const CPatternElement* element) {
  if (element == nullptr) return ZeroWidth();
  if (const auto* literal = dynamic_cast<const CLiteralElement*>(element)) {
    if (literal->rightToLeft) return Unknown();
    if (literal->bytes.Count() == 0) return ZeroWidth();
    FirstBytes first;
    const int32_t byte = literal->bytes[0];
    first.Add(byte);
    if (literal->ignoreCase) {
      if (byte >= 'a' && byte <= 'z') first.Add(byte - 32);
      if (byte >= 'A' && byte <= 'Z') first.Add(byte + 32);
    }
    return first;
  }
  if (const auto* byteClass = dynamic_cast<const CByteClassElement*>(element)) {
    if (byteClass->rightToLeft) return Unknown();
    FirstBytes first;
    for (int32_t byte = 0; byte < 256; ++byte)
      if (byteClass->AcceptsByte(static_cast<uint8_t>(byte))) first.Add(byte);
    return first;
  }
  if (const auto* sequence = dynamic_cast<const CSequenceElement*>(element)) {
    if (sequence->rightToLeft) return Unknown();
    FirstBytes first = ZeroWidth();
    for (int32_t i = 0; i < sequence->elements.Count(); ++i) {
      const FirstBytes part = Find(sequence->elements[i]);
      first.Merge(part);
      if (part.unknown) return Unknown();
      if (!part.nullable) {
        first.nullable = false;
        break;
      }
    }
    return first;
  }
  if (const auto* alternation = dynamic_cast<const CAlternationElement*>(element)) {
    if (alternation->alternatives.Count() == 0) return ZeroWidth();
    FirstBytes first;
    for (int32_t i = 0; i < alternation->alternatives.Count(); ++i) {
      const FirstBytes part = Find(alternation->alternatives[i]);
      first.Merge(part);
      first.nullable = first.nullable || part.nullable;
    }
    return first;
  }
  if (const auto* fixed = dynamic_cast<const CFixedRepeatElement*>(element)) {
    if (fixed->count == 0) return ZeroWidth();
    return Find(fixed->body);
  }
  if (const auto* ranged = dynamic_cast<const CRangedRepeatElement*>(element)) {
    FirstBytes first = Find(ranged->body);
    if (ranged->minimum == 0) first.nullable = true;
    return first;
  }
  if (const auto* atomic = dynamic_cast<const CAtomicGroupElement*>(element))
    return Find(atomic->body);
  // Zero-width: they test, but never consume.
  if (dynamic_cast<const CEmptyElement*>(element) || dynamic_cast<const CCaptureElement*>(element) ||
      dynamic_cast<const CAnchorElement*>(element) ||
      dynamic_cast<const CSearchStartElement*>(element) ||
      dynamic_cast<const CLookaroundElement*>(element))
    return ZeroWidth();
  return Unknown();  // back-references, conditions, calls
}

}  // namespace

CStartBytes FindStartBytes(const CPatternElement* root) {
  const FirstBytes first = Find(root);
  CStartBytes start;
  start.anyStart = first.unknown || first.nullable;
  for (int i = 0; i < 4; ++i) start.bits[i] = first.bits[i];
  return start;
}
