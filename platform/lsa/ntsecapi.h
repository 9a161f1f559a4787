// The Local Security Authority's counted string and status types, as the
// password-filter interface passes them.
#pragma once

#include <string_view>

#include "platform/base/wintypes.h"

inline constexpr NTSTATUS STATUS_SUCCESS = 0;

// Length and MaximumLength count bytes; Buffer need not end in a zero.
struct UNICODE_STRING {
  USHORT Length;
  USHORT MaximumLength;
  WCHAR* Buffer;
};
using PUNICODE_STRING = UNICODE_STRING*;

// The characters a counted string holds: Length / 2 units (an odd byte is
// dropped), none for a null string or buffer.
inline std::u16string_view CountedStringView(const UNICODE_STRING* text) {
  if (text == nullptr || text->Buffer == nullptr) return {};
  return std::u16string_view(text->Buffer, text->Length / 2);
}
