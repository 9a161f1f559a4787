// The library's module layer through its exports: the class object and its
// errors, creation plain and aggregated, and DllCanUnloadNow while an object
// or a server lock lives and after.
#include <gtest/gtest.h>

#include <atomic>

#include "webobject/pwd_reset_request_interface.h"
#include "webobject/tests/kestrine_fixture.h"

namespace {

// An object that aggregates the web object: it keeps the inner IUnknown and
// answers for everything itself.
class COuter final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (IsEqualGUID(riid, IID_IUnknown)) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner != nullptr ? inner->QueryInterface(riid, object) : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }

  std::atomic<ULONG> references{1};
  IUnknown* inner = nullptr;
};

IClassFactory* Factory() {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(KestrineExports().getClassObject(CLSID_PwdResetRequest, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)),
            S_OK);
  return factory;
}

class ModuleTest : public CRegistryFolderTest {};

TEST_F(ModuleTest, TheClassObjectAndItsErrors) {
  const CKestrineExports& dll = KestrineExports();
  void* object = reinterpret_cast<void*>(1);
  struct Case {
    const char* what;
    CLSID clsid;
    IID iid;
    HRESULT status;
  };
  const Case cases[] = {
      {"another class", IID_IPwdResetRequest, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"the null class", GUID_NULL, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"the factory as a dispatch interface", CLSID_PwdResetRequest, IID_IDispatch, E_NOINTERFACE},
      {"the factory", CLSID_PwdResetRequest, IID_IClassFactory, S_OK},
      {"the factory's IUnknown", CLSID_PwdResetRequest, IID_IUnknown, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.getClassObject(c.clsid, c.iid, &object), c.status);
    EXPECT_EQ(object == nullptr, FAILED(c.status));
    if (object != nullptr) static_cast<IUnknown*>(object)->Release();
  }
  EXPECT_EQ(dll.getClassObject(CLSID_PwdResetRequest, IID_IClassFactory, nullptr), E_POINTER);

  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  for (const IID& iid : {IID_IClassFactory, IID_ITypeInfo}) {
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  factory->Release();
}

TEST_F(ModuleTest, PlainObjectsAnswerForTheirThreeInterfaces) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IPwdResetRequest* request = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPwdResetRequest, reinterpret_cast<void**>(&request)), S_OK);
  factory->Release();
  IUnknown* unknown = nullptr;
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(request->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_EQ(request->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  // One object: its IUnknown is the same whichever interface is asked.
  IUnknown* again = nullptr;
  ASSERT_EQ(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, unknown);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(request->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  again->Release();
  unknown->Release();
  dispatch->Release();
  EXPECT_EQ(request->Release(), 0u);
}

TEST_F(ModuleTest, AggregatedTheObjectDelegatesToItsOuterObject) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  COuter outer;
  void* object = reinterpret_cast<void*>(1);
  // An aggregating object may ask for the inner IUnknown only.
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  factory->Release();
  EXPECT_EQ(outer.references, 1u);

  IDispatch* dispatch = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  // The interface it hands out counts on the outer object and leads back to it.
  EXPECT_EQ(outer.references, 2u);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown, static_cast<IUnknown*>(&outer));
  EXPECT_EQ(outer.references, 3u);
  unknown->Release();
  // Its members work through it.
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  dispatch->Release();
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(KestrineExports().canUnloadNow(), S_FALSE);
  EXPECT_EQ(outer.inner->Release(), 0u);
  EXPECT_EQ(KestrineExports().canUnloadNow(), S_OK);
}

TEST_F(ModuleTest, CanUnloadOnlyWithNoObjectAndNoLock) {
  const CKestrineExports& dll = KestrineExports();
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  // Holding the class object alone keeps nothing loaded; LockServer does.
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
  IDispatch* first = nullptr;
  IDispatch* second = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&first)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&second)), S_OK);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  first->Release();
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  second->Release();
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
  factory->Release();
}

}  // namespace
