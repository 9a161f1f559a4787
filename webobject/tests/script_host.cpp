// The tests' script host.
#include "webobject/tests/script_host.h"

#include "platform/base/text.h"

VARIANT ToVariant(const CScriptValue& value) {
  VARIANT made;
  VariantInit(&made);
  if (const long* number = std::get_if<long>(&value)) {
    made.vt = VT_I4;
    made.lVal = static_cast<LONG>(*number);
  } else if (const std::u16string* text = std::get_if<std::u16string>(&value)) {
    made.vt = VT_BSTR;
    made.bstrVal = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
  }
  return made;
}

CScriptValue FromVariant(const VARIANT& value) {
  switch (value.vt) {
    case VT_I2:
      return static_cast<long>(value.iVal);
    case VT_I4:
      return static_cast<long>(value.lVal);
    case VT_BSTR:
      return std::u16string(value.bstrVal == nullptr ? u"" : value.bstrVal, SysStringLen(value.bstrVal));
    default:
      return std::monostate{};
  }
}

std::string CScriptResult::Text() const {
  if (const long* number = std::get_if<long>(&value)) return std::to_string(*number);
  if (const std::u16string* text = std::get_if<std::u16string>(&value)) return Utf16ToUtf8(*text);
  return "(nothing)";
}

DISPID IdOfName(IDispatch* dispatch, const char16_t* name, HRESULT* status) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  const HRESULT found = dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (status != nullptr) *status = found;
  return id;
}

CScriptObject::~CScriptObject() {
  if (dispatch != nullptr) dispatch->Release();
}

CScriptResult CScriptObject::Invoke(DISPID id, WORD flags, const std::vector<CScriptValue>& args,
                                    const CScriptValue* putValue) {
  // Last argument first, as Invoke takes them; a put's value leads as the named one.
  std::vector<VARIANT> variants;
  if (putValue != nullptr) variants.push_back(ToVariant(*putValue));
  for (auto it = args.rbegin(); it != args.rend(); ++it) variants.push_back(ToVariant(*it));
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{variants.data(), putValue != nullptr ? &putId : nullptr, static_cast<UINT>(variants.size()),
                    putValue != nullptr ? 1u : 0u};
  VARIANT result;
  VariantInit(&result);
  CScriptResult outcome;
  outcome.status = dispatch->Invoke(id, IID_NULL, 0, flags, &params, &result, nullptr, &outcome.argError);
  outcome.value = FromVariant(result);
  VariantClear(&result);
  for (VARIANT& variant : variants) VariantClear(&variant);
  return outcome;
}

CScriptResult CScriptObject::Call(const char16_t* name, const std::vector<CScriptValue>& args) {
  HRESULT found = S_OK;
  const DISPID id = IdOfName(dispatch, name, &found);
  if (FAILED(found)) return CScriptResult{found, {}, ~0u};
  return Invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, nullptr);
}

CScriptResult CScriptObject::Get(const char16_t* name, const std::vector<CScriptValue>& args) {
  HRESULT found = S_OK;
  const DISPID id = IdOfName(dispatch, name, &found);
  if (FAILED(found)) return CScriptResult{found, {}, ~0u};
  return Invoke(id, DISPATCH_PROPERTYGET, args, nullptr);
}

CScriptResult CScriptObject::Put(const char16_t* name, const std::vector<CScriptValue>& args,
                                 const CScriptValue& value) {
  HRESULT found = S_OK;
  const DISPID id = IdOfName(dispatch, name, &found);
  if (FAILED(found)) return CScriptResult{found, {}, ~0u};
  return Invoke(id, DISPATCH_PROPERTYPUT, args, &value);
}

namespace {

HRESULT CreateByProgId(const char16_t* progId, IUnknown* outer, REFIID riid, void** object) {
  CLSID clsid{};
  const HRESULT status = CLSIDFromProgID(progId, &clsid);
  if (FAILED(status)) return status;
  return CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, riid, object);
}

}  // namespace

HRESULT CreateScriptObject(const char16_t* progId, CScriptObject& object) {
  IDispatch* dispatch = nullptr;
  const HRESULT status = CreateByProgId(progId, nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  if (FAILED(status)) return status;
  object = CScriptObject(dispatch);
  return S_OK;
}

HRESULT CreateAggregatedObject(const char16_t* progId, IUnknown* outer, void** inner) {
  return CreateByProgId(progId, outer, IID_IUnknown, inner);
}
