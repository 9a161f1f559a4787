// UTF-8/UTF-16 conversion, lower-casing and classification over one C.UTF-8
// locale object.
#include "platform/base/text.h"

#include <locale.h>
#include <wctype.h>

namespace {

// Freed when the module is unloaded, so a library loaded again and again
// does not leak one each time.
class CUtf8Locale {
 public:
  CUtf8Locale() : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {}
  ~CUtf8Locale() {
    if (m_locale != nullptr) freelocale(m_locale);
  }
  CUtf8Locale(const CUtf8Locale&) = delete;
  CUtf8Locale& operator=(const CUtf8Locale&) = delete;
  locale_t Get() const { return m_locale; }

 private:
  locale_t m_locale;
};

locale_t Utf8Locale() {
  static const CUtf8Locale locale;
  return locale.Get();
}

// Decodes one well-formed UTF-8 sequence at text[i]; returns its length, or 0
// when the byte there does not start one (overlong forms and values past
// U+10FFFF are not well formed; surrogate forms are accepted, see header).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& out) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    out = lead;
    return 1;
  }
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = byte(i + k);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF) return 0;
  out = value;
  return length;
}

void EncodeUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void EncodeUtf16(char32_t c, std::u16string& out) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (c >> 10));
    out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Reads one code point of UTF-16 at text[i]; returns the units it took.
std::size_t DecodeUtf16(std::u16string_view text, std::size_t i, char32_t& out) {
  const char32_t unit = text[i];
  if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    out = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    return 2;
  }
  out = unit;
  return 1;
}

char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
  if (IsHighSurrogate(c) || IsLowSurrogate(c)) return c;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), Utf8Locale()));
}

bool InClass(char16_t c, int (*test)(wint_t, locale_t)) {
  if (IsHighSurrogate(c) || IsLowSurrogate(c)) return false;
  return test(static_cast<wint_t>(c), Utf8Locale()) != 0;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out(text.size(), u'\0');  // never more units than bytes
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out[n++] = lead;
      ++i;
      continue;
    }
    char32_t c;
    const std::size_t length = DecodeUtf8(text, i, c);
    if (length == 0) {
      out[n++] = lead;
      ++i;
    } else if (c < 0x10000) {
      out[n++] = static_cast<char16_t>(c);
      i += length;
    } else {
      out[n++] = static_cast<char16_t>(0xD800 | ((c - 0x10000) >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 | ((c - 0x10000) & 0x3FF));
      i += length;
    }
  }
  out.resize(n);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] < 0x80) {
      out += static_cast<char>(text[i++]);
      continue;
    }
    char32_t c;
    i += DecodeUtf16(text, i, c);
    EncodeUtf8(c, out);
  }
  return out;
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c;
    i += DecodeUtf16(text, i, c);
    EncodeUtf16(LowerCodePoint(c), out);
  }
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c;
    const std::size_t length = DecodeUtf8(text, i, c);
    if (length == 0) {
      out += text[i++];
      continue;
    }
    EncodeUtf8(LowerCodePoint(c), out);
    i += length;
  }
  return out;
}

bool IsAlnumChar(char16_t c) { return InClass(c, iswalnum_l); }
bool IsAlphaChar(char16_t c) { return InClass(c, iswalpha_l); }
bool IsDigitChar(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLowerChar(char16_t c) { return InClass(c, iswlower_l); }
bool IsUpperChar(char16_t c) { return InClass(c, iswupper_l); }
bool IsSpaceChar(char16_t c) { return InClass(c, iswspace_l); }

std::size_t Utf8CutPoint(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t cut = limit;
  // Step back over continuation bytes to the start of the sequence that
  // crosses the limit; a run of stray continuation bytes is cut where it is.
  std::size_t back = cut;
  while (back > 0 && limit - back < 3 && (static_cast<unsigned char>(text[back]) & 0xC0) == 0x80) --back;
  char32_t c;
  if (back < cut && DecodeUtf8(text, back, c) > cut - back) cut = back;
  return cut;
}
