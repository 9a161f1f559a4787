// A script host for the tests, playing a page's script: it creates an
// object by its ProgID through the platform's creation path (the registry
// file, the library loaded, DllGetClassObject) and calls its members by name
// through GetIDsOfNames and Invoke, with the arguments a script engine
// passes (numbers as VT_I4, texts as VT_BSTR).
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/com/oleauto.h"

// A script's value: nothing, a number or a text.
using CScriptValue = std::variant<std::monostate, long, std::u16string>;

// What one call came to.
struct CScriptResult {
  HRESULT status = E_FAIL;
  CScriptValue value;
  UINT argError = ~0u;
  std::string Text() const;  // the value as UTF-8, for messages
};

class CScriptObject {
 public:
  CScriptObject() = default;
  explicit CScriptObject(IDispatch* dispatch) : dispatch(dispatch) {}
  ~CScriptObject();
  CScriptObject(CScriptObject&& other) noexcept : dispatch(other.dispatch) { other.dispatch = nullptr; }
  CScriptObject& operator=(CScriptObject&& other) noexcept {
    std::swap(dispatch, other.dispatch);
    return *this;
  }
  CScriptObject(const CScriptObject&) = delete;
  CScriptObject& operator=(const CScriptObject&) = delete;

  IDispatch* Dispatch() const { return dispatch; }

  // obj.Name(args) as a script calls a method (DISPATCH_METHOD | DISPATCH_PROPERTYGET).
  CScriptResult Call(const char16_t* name, const std::vector<CScriptValue>& args = {});
  // obj.Name or obj.Name(args) read as a property.
  CScriptResult Get(const char16_t* name, const std::vector<CScriptValue>& args = {});
  // obj.Name(args) = value.
  CScriptResult Put(const char16_t* name, const std::vector<CScriptValue>& args, const CScriptValue& value);
  // Invoke with exactly these flags and DISPPARAMS made of `args` (in script
  // order) and the named DISPID_PROPERTYPUT value when `putValue` is set.
  CScriptResult Invoke(DISPID id, WORD flags, const std::vector<CScriptValue>& args, const CScriptValue* putValue);

 private:
  IDispatch* dispatch = nullptr;
};

// The DISPID of a name, or DISPID_UNKNOWN.
DISPID IdOfName(IDispatch* dispatch, const char16_t* name, HRESULT* status = nullptr);

// new ActiveXObject(progId): the HRESULT of the creation path and the object.
HRESULT CreateScriptObject(const char16_t* progId, CScriptObject& object);
// The same object made inside `outer` (aggregated): the inner object's own
// IUnknown, which the outer object keeps.
HRESULT CreateAggregatedObject(const char16_t* progId, IUnknown* outer, void** inner);

// A VARIANT of a script value (free with VariantClear) and back.
VARIANT ToVariant(const CScriptValue& value);
CScriptValue FromVariant(const VARIANT& value);
