// BSTR, VARIANT and vectors of VARIANTs. BSTRs live in task memory.
#include "platform/com/oleauto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/base/wipe.h"

namespace {

// A BSTR points just past its 4-byte length in bytes.
constexpr std::size_t kLengthSize = sizeof(std::uint32_t);

}  // namespace

BSTR SysAllocString(const WCHAR* text) {
  if (text == nullptr) return nullptr;
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  if (length > 0x7FFFFFFFu / sizeof(WCHAR)) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(length));
}

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
  // The length in bytes must fit its 4-byte prefix.
  if (length > 0x7FFFFFFFu / sizeof(WCHAR)) return nullptr;
  auto* block = static_cast<unsigned char*>(CoTaskMemAlloc(kLengthSize + (std::size_t{length} + 1) * sizeof(WCHAR)));
  if (block == nullptr) return nullptr;
  const std::uint32_t bytes = static_cast<std::uint32_t>(length * sizeof(WCHAR));
  std::memcpy(block, &bytes, kLengthSize);
  auto* characters = reinterpret_cast<WCHAR*>(block + kLengthSize);
  if (text != nullptr) {
    std::memcpy(characters, text, std::size_t{length} * sizeof(WCHAR));
  } else {
    std::memset(characters, 0, std::size_t{length} * sizeof(WCHAR));
  }
  characters[length] = 0;
  return characters;
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - kLengthSize, kLengthSize);
  return bytes / sizeof(WCHAR);
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  WipeBytes(text, SysStringLen(text) * sizeof(WCHAR));
  CoTaskMemFree(reinterpret_cast<unsigned char*>(text) - kLengthSize);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count) {
  if (type != VT_VARIANT) return nullptr;
  auto* array = new (std::nothrow) SAFEARRAY{};
  if (array == nullptr) return nullptr;
  auto* elements = new (std::nothrow) VARIANT[count == 0 ? 1 : count];
  if (elements == nullptr) {
    delete array;
    return nullptr;
  }
  for (ULONG i = 0; i < count; ++i) VariantInit(&elements[i]);
  array->cDims = 1;
  array->cbElements = sizeof(VARIANT);
  array->pvData = elements;
  array->rgsabound[0] = SAFEARRAYBOUND{count, lowerBound};
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  auto* elements = static_cast<VARIANT*>(array->pvData);
  for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) VariantClear(&elements[i]);
  delete[] elements;
  delete array;
  return S_OK;
}

void VariantInit(VARIANT* value) {
  if (value == nullptr) return;
  std::memset(value, 0, sizeof(*value));
  value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
  if (value == nullptr) return E_INVALIDARG;
  if (value->vt == VT_BSTR) {
    SysFreeString(value->bstrVal);
  } else if (value->vt == (VT_ARRAY | VT_VARIANT)) {
    SafeArrayDestroy(value->parray);
  }
  VariantInit(value);
  return S_OK;
}
