// VariantChangeType over the value kinds that scripts pass to our dispatch
// interfaces: empty, 16- and 32-bit integers and text, each possibly behind
// a reference.
#include <cstdint>
#include <limits>
#include <string>

#include "platform/com/oleauto.h"

namespace {

// A value with its reference followed; false for a null reference.
bool Dereference(const VARIANT& source, VARIANT& value) {
  VariantInit(&value);
  if ((source.vt & VT_BYREF) == 0) {
    value = source;
    return true;
  }
  if (source.byref == nullptr) return false;
  switch (source.vt & ~VT_BYREF) {
    case VT_I2:
      value.vt = VT_I2;
      value.iVal = *source.piVal;
      return true;
    case VT_I4:
      value.vt = VT_I4;
      value.lVal = *source.plVal;
      return true;
    case VT_BSTR:
      value.vt = VT_BSTR;
      value.bstrVal = *source.pbstrVal;
      return true;
    case VT_VARIANT:
      // One level only: a reference to a reference is no script value.
      if ((source.pvarVal->vt & VT_BYREF) != 0) return false;
      value = *source.pvarVal;
      return true;
    default:
      return false;
  }
}

// A decimal integer with blanks around it and an optional sign.
HRESULT ParseNumber(BSTR text, std::int64_t& number) {
  const UINT length = SysStringLen(text);
  UINT at = 0;
  while (at < length && (text[at] == u' ' || text[at] == u'\t')) ++at;
  bool negative = false;
  if (at < length && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
  const UINT digitsStart = at;
  std::int64_t value = 0;
  bool overflow = false;
  while (at < length && text[at] >= u'0' && text[at] <= u'9') {
    if (value > (std::int64_t{1} << 40)) overflow = true;  // far past 32 bits; stop growing
    if (!overflow) value = value * 10 + (text[at] - u'0');
    ++at;
  }
  if (at == digitsStart) return DISP_E_TYPEMISMATCH;
  while (at < length && (text[at] == u' ' || text[at] == u'\t')) ++at;
  if (at != length) return DISP_E_TYPEMISMATCH;
  if (overflow) return DISP_E_OVERFLOW;
  number = negative ? -value : value;
  return S_OK;
}

// The value as a number, for the integer targets.
HRESULT NumberOf(const VARIANT& value, std::int64_t& number) {
  switch (value.vt) {
    case VT_EMPTY:
      number = 0;
      return S_OK;
    case VT_I2:
      number = value.iVal;
      return S_OK;
    case VT_I4:
      number = value.lVal;
      return S_OK;
    case VT_BSTR:
      return ParseNumber(value.bstrVal, number);
    default:
      return DISP_E_BADVARTYPE;
  }
}

HRESULT TextOf(const VARIANT& value, BSTR& text) {
  std::u16string digits;
  switch (value.vt) {
    case VT_EMPTY:
      break;
    case VT_I2:
    case VT_I4: {
      const std::string narrow = std::to_string(value.vt == VT_I2 ? value.iVal : value.lVal);
      digits.assign(narrow.begin(), narrow.end());
      break;
    }
    case VT_BSTR:
      text = SysAllocStringLen(value.bstrVal, SysStringLen(value.bstrVal));
      return text == nullptr ? E_OUTOFMEMORY : S_OK;
    default:
      return DISP_E_BADVARTYPE;
  }
  text = SysAllocStringLen(digits.data(), static_cast<UINT>(digits.size()));
  return text == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT /*flags*/, VARTYPE type) {
  if (dest == nullptr || source == nullptr) return E_INVALIDARG;
  VARIANT value;
  if (!Dereference(*source, value)) return DISP_E_BADVARTYPE;
  VARIANT result;
  VariantInit(&result);
  HRESULT status = S_OK;
  if (type == VT_I2 || type == VT_I4) {
    std::int64_t number = 0;
    status = NumberOf(value, number);
    const std::int64_t low = type == VT_I2 ? std::numeric_limits<SHORT>::min() : std::numeric_limits<LONG>::min();
    const std::int64_t high = type == VT_I2 ? std::numeric_limits<SHORT>::max() : std::numeric_limits<LONG>::max();
    if (SUCCEEDED(status) && (number < low || number > high)) status = DISP_E_OVERFLOW;
    if (SUCCEEDED(status)) {
      result.vt = type;
      if (type == VT_I2) {
        result.iVal = static_cast<SHORT>(number);
      } else {
        result.lVal = static_cast<LONG>(number);
      }
    }
  } else if (type == VT_BSTR) {
    BSTR text = nullptr;
    status = TextOf(value, text);
    if (SUCCEEDED(status)) {
      result.vt = VT_BSTR;
      result.bstrVal = text;
    }
  } else {
    status = DISP_E_BADVARTYPE;
  }
  // `dest` may be `source`: it changes only once the new value stands.
  if (FAILED(status)) return status;
  VariantClear(dest);
  *dest = result;
  return S_OK;
}
