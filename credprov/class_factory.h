// The class factory of the provider: DllGetClassObject hands one out, and
// it makes CPwdResetProvider objects. It does not count towards the module.
#pragma once

#include "platform/com/objbase.h"

class CClassFactory final : public IClassFactory {
 public:
  CClassFactory() = default;
  CClassFactory(const CClassFactory&) = delete;
  CClassFactory& operator=(const CClassFactory&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

 private:
  ~CClassFactory() = default;

  ULONG references = 1;
};
