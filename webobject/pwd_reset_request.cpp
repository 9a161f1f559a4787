// The web reset object's COM plumbing: creation, IUnknown (delegating to an
// outer object when aggregated), and IDispatch over its member table.
#include "webobject/pwd_reset_request.h"

#include <new>

#include "webobject/kestrine_module.h"

HRESULT CPwdResetRequest::Create(IUnknown* outer, IUnknown** result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  auto* object = new (std::nothrow) CPwdResetRequest(outer);
  if (object == nullptr) return E_OUTOFMEMORY;
  object->inner.AddRef();
  *result = &object->inner;
  return S_OK;
}

CPwdResetRequest::CPwdResetRequest(IUnknown* outer) : controlling(outer != nullptr ? outer : &inner) {
  LockModule();
}

CPwdResetRequest::~CPwdResetRequest() { UnlockModule(); }

// ---------------------------------------------------------------- IUnknown

HRESULT CPwdResetRequest::CInnerUnknown::QueryInterface(REFIID riid, void** result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (IsEqualGUID(riid, IID_IUnknown)) {
    *result = static_cast<IUnknown*>(this);
  } else if (IsEqualGUID(riid, IID_IDispatch) || IsEqualGUID(riid, IID_IPwdResetRequest)) {
    *result = static_cast<IPwdResetRequest*>(&object);
  } else {
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*result)->AddRef();
  return S_OK;
}

ULONG CPwdResetRequest::CInnerUnknown::AddRef() { return ++object.references; }

ULONG CPwdResetRequest::CInnerUnknown::Release() {
  const ULONG left = --object.references;
  if (left == 0) delete &object;
  return left;
}

HRESULT CPwdResetRequest::QueryInterface(REFIID riid, void** object) { return controlling->QueryInterface(riid, object); }

ULONG CPwdResetRequest::AddRef() { return controlling->AddRef(); }

ULONG CPwdResetRequest::Release() { return controlling->Release(); }

// ---------------------------------------------------------------- IDispatch

HRESULT CPwdResetRequest::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT CPwdResetRequest::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  return DispatchGetTypeInfo(PWD_RESET_REQUEST_DISPATCH, index, typeInfo);
}

HRESULT CPwdResetRequest::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return DispatchGetIDsOfNames(PWD_RESET_REQUEST_DISPATCH, riid, names, count, ids);
}

HRESULT CPwdResetRequest::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO*, UINT* argError) {
  return DispatchInvoke(PWD_RESET_REQUEST_DISPATCH, this, member, riid, flags, params, result, argError);
}
