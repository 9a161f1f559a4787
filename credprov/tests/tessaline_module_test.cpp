// The library as COM meets it: the class object and its errors, creation
// plain and aggregated, and DllCanUnloadNow while a provider, a tile or a
// server lock lives. Run in the sanitizer build, these cases also show that
// nothing is left allocated on any path.
#include <gtest/gtest.h>

#include "credprov/tests/logon_screen_host.h"
#include "credprov/tests/test_registry.h"

namespace {

class TessalineModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { registry.Write(""); }
  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(library.Exports().getClassObject(CLSID_TessalineProvider, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
  }
  CTestRegistry registry;
  CTessalineLibrary library;
};

TEST_F(TessalineModuleTest, TheClassObjectAndItsErrors) {
  ASSERT_TRUE(library.Loaded());
  struct Case {
    const char* what;
    CLSID clsid;
    IID iid;
    HRESULT status;
    bool written;
  };
  const Case cases[] = {
      {"another class", IID_ICredentialProvider, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE, false},
      {"the null class", GUID_NULL, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE, false},
      {"the factory as a provider", CLSID_TessalineProvider, IID_ICredentialProvider, E_NOINTERFACE, true},
      {"the factory", CLSID_TessalineProvider, IID_IClassFactory, S_OK, true},
      {"the factory's IUnknown", CLSID_TessalineProvider, IID_IUnknown, S_OK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(library.Exports().getClassObject(c.clsid, c.iid, &object), c.status);
    if (!c.written) {
      EXPECT_EQ(object, reinterpret_cast<void*>(1));
    } else if (FAILED(c.status)) {
      EXPECT_EQ(object, nullptr);
    } else {
      ASSERT_NE(object, nullptr);
      EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u);
    }
  }
  EXPECT_EQ(library.Exports().getClassObject(CLSID_TessalineProvider, IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);
}

TEST_F(TessalineModuleTest, CreationPlainAggregatedAndOfOtherInterfaces) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  int outer = 0;  // never called: aggregation is refused first
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(&outer), IID_ICredentialProvider, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);  // no provider was made
  for (const IID& iid : {IID_IClassFactory, IID_ICredentialProviderCredential}) {
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);
  ICredentialProvider* provider = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ICredentialProvider, reinterpret_cast<void**>(&provider)), S_OK);
  IUnknown* unknown = nullptr;
  EXPECT_EQ(provider->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(provider->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
  EXPECT_EQ(library.Exports().canUnloadNow(), S_FALSE);
  EXPECT_EQ(provider->Release(), 0u);
  EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
}

TEST_F(TessalineModuleTest, CanUnloadOnlyWhenProvidersTilesAndLocksAreGone) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(library.Exports().canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);

  ICredentialProvider* provider = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ICredentialProvider, reinterpret_cast<void**>(&provider)), S_OK);
  ASSERT_EQ(provider->SetUsageScenario(CPUS_LOGON, 0), S_OK);
  ICredentialProviderCredential* tile = nullptr;
  ASSERT_EQ(provider->GetCredentialAt(0, &tile), S_OK);
  provider->Release();
  EXPECT_EQ(library.Exports().canUnloadNow(), S_FALSE);  // the tile holds the library
  tile->Release();
  EXPECT_EQ(library.Exports().canUnloadNow(), S_OK);
  factory->Release();
}

}  // namespace
