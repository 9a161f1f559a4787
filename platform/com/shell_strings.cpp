// String duplication into task memory.
#include "platform/com/shell_strings.h"

#include <cstring>
#include <string_view>

HRESULT SHStrDupW(LPCWSTR source, LPWSTR* copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (source == nullptr) return E_INVALIDARG;
  const std::size_t length = std::u16string_view(source).size();
  auto* block = static_cast<LPWSTR>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
  if (block == nullptr) return E_OUTOFMEMORY;
  std::memcpy(block, source, (length + 1) * sizeof(WCHAR));
  *copy = block;
  return S_OK;
}
