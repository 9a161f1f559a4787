// ADSI's per-thread extended error, its memory calls and its variant array
// of strings.
#include <cstdlib>
#include <string>

#include "platform/adsi/adsi.h"

namespace {

struct CAdsLastError {
  bool recorded = false;
  DWORD error = 0;
  std::u16string text;
  std::u16string provider;
};

thread_local CAdsLastError lastError;

// Copies as much of `text` as fits, always ended by a zero.
void CopyOut(const std::u16string& text, LPWSTR buffer, DWORD length) {
  if (buffer == nullptr || length == 0) return;
  const std::size_t count = text.size() < length - 1 ? text.size() : length - 1;
  text.copy(buffer, count);
  buffer[count] = 0;
}

}  // namespace

void ADsSetLastError(DWORD error, LPCWSTR errorText, LPCWSTR provider) {
  lastError.error = error;
  lastError.text = errorText != nullptr ? errorText : u"";
  lastError.provider = provider != nullptr ? provider : u"";
  lastError.recorded = error != 0 || !lastError.text.empty() || !lastError.provider.empty();
}

HRESULT ADsGetLastError(DWORD* error, LPWSTR errorBuffer, DWORD errorBufferLength, LPWSTR nameBuffer,
                        DWORD nameBufferLength) {
  if (error == nullptr) return E_POINTER;
  *error = lastError.error;
  CopyOut(lastError.text, errorBuffer, errorBufferLength);
  CopyOut(lastError.provider, nameBuffer, nameBufferLength);
  return lastError.recorded ? S_OK : E_FAIL;
}

void* AllocADsMem(DWORD size) { return std::calloc(1, size == 0 ? 1 : size); }

BOOL FreeADsMem(void* memory) {
  std::free(memory);
  return TRUE;
}

HRESULT ADsBuildVarArrayStr(LPWSTR* texts, DWORD count, VARIANT* value) {
  if (value == nullptr || (texts == nullptr && count != 0)) return E_ADS_BAD_PARAMETER;
  VariantInit(value);
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, count);
  if (array == nullptr) return E_OUTOFMEMORY;
  auto* elements = static_cast<VARIANT*>(array->pvData);
  for (DWORD i = 0; i < count; ++i) {
    elements[i].bstrVal = SysAllocString(texts[i] != nullptr ? texts[i] : u"");
    if (elements[i].bstrVal == nullptr) {
      SafeArrayDestroy(array);
      return E_OUTOFMEMORY;
    }
    elements[i].vt = VT_BSTR;
  }
  value->vt = VT_ARRAY | VT_VARIANT;
  value->parray = array;
  return S_OK;
}
