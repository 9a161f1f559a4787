// Making providers.
#include "credprov/class_factory.h"

#include <new>

#include "credprov/pwd_reset_provider.h"
#include "credprov/tessaline_module.h"

HRESULT CClassFactory::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CClassFactory::AddRef() { return ++references; }

ULONG CClassFactory::Release() {
  const ULONG left = --references;
  if (left == 0) delete this;
  return left;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* provider = new (std::nothrow) CPwdResetProvider();
  if (provider == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = provider->QueryInterface(riid, object);
  provider->Release();
  return result;
}

HRESULT CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}
