// Registry values read with their size known before their bytes, and wide
// text cut at its first zero within those bytes.
#include "credprov/registry_values.h"

#include <cstring>
#include <vector>

namespace {

// The wide text in `bytes` (an odd last byte is no character), up to the
// first zero.
std::u16string WideTextOf(const BYTE* bytes, DWORD size) {
  std::u16string text(size / sizeof(char16_t), u'\0');
  std::memcpy(text.data(), bytes, text.size() * sizeof(char16_t));
  const std::size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

}  // namespace

std::optional<std::u16string> ReadRegistryString(HKEY key, const char16_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  // Whole wide characters only.
  size &= ~static_cast<DWORD>(1);
  std::vector<BYTE> buffer(size + 1);  // never empty, so the call gets a buffer
  DWORD got = size;
  if (RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &got) != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  return WideTextOf(buffer.data(), got);
}

std::optional<std::u16string> ReadRegistryWideText(HKEY key, const char16_t* name, DWORD maxBytes) {
  std::vector<BYTE> buffer(maxBytes + 1, 0);
  DWORD size = maxBytes;
  if (RegQueryValueExW(key, name, nullptr, nullptr, buffer.data(), &size) != ERROR_SUCCESS) return std::nullopt;
  return WideTextOf(buffer.data(), size);
}
