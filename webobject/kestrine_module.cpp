// The module's lock count and the class factory of CPwdResetRequest. The
// factory is one static object for the life of the library: its references
// keep nothing alive, only LockServer and the objects do.
#include "webobject/kestrine_module.h"

#include <atomic>

#include "webobject/pwd_reset_request.h"

namespace {

std::atomic<long> moduleLocks{0};

class CPwdResetRequestFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // An aggregating object asks for the inner IUnknown and nothing else.
    if (outer != nullptr && !IsEqualGUID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    IUnknown* made = nullptr;
    const HRESULT created = CPwdResetRequest::Create(outer, &made);
    if (FAILED(created)) return created;
    const HRESULT asked = made->QueryInterface(riid, object);
    made->Release();
    return asked;
  }

  HRESULT LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }
};

CPwdResetRequestFactory factory;

}  // namespace

void LockModule() { ++moduleLocks; }

void UnlockModule() { --moduleLocks; }

long ModuleLockCount() { return moduleLocks; }

HRESULT GetPwdResetRequestFactory(REFIID riid, void** object) { return factory.QueryInterface(riid, object); }
