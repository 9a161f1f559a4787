// The provider through the logon screen's calls: usage scenarios, the tiles
// made once per process, the field descriptors with HideAnswers, and the
// tile count and its errors.
#include <gtest/gtest.h>

#include "credprov/tests/logon_screen_host.h"
#include "credprov/tests/test_registry.h"
#include "platform/base/text.h"
#include "platform/com/objbase.h"

namespace {

class PwdResetProviderTest : public ::testing::Test {
 protected:
  ICredentialProvider* NewProvider() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(library.Exports().getClassObject(CLSID_TessalineProvider, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory)),
              S_OK);
    ICredentialProvider* provider = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_ICredentialProvider, reinterpret_cast<void**>(&provider)), S_OK);
    factory->Release();
    return provider;
  }
  static void ExpectCount(ICredentialProvider* provider, DWORD count, HRESULT status) {
    DWORD got = 99, defaultIndex = 0;
    BOOL autoLogon = TRUE;
    EXPECT_EQ(provider->GetCredentialCount(&got, &defaultIndex, &autoLogon), status);
    EXPECT_EQ(got, count);
    EXPECT_EQ(defaultIndex, CREDENTIAL_PROVIDER_NO_DEFAULT);
    EXPECT_FALSE(autoLogon);
  }

  CTestRegistry registry;
  CTessalineLibrary library;
};

TEST_F(PwdResetProviderTest, ScenariosAndTheTilesMadeOncePerProcess) {
  registry.Write("");
  ICredentialProvider* provider = NewProvider();
  ASSERT_NE(provider, nullptr);
  ExpectCount(provider, 0, E_FAIL);
  struct Case {
    int scenario;
    HRESULT status;
  };
  for (const Case& c : {Case{0, E_INVALIDARG}, Case{5, E_INVALIDARG}, Case{-1, E_INVALIDARG},
                        Case{CPUS_CHANGE_PASSWORD, E_NOTIMPL}}) {
    EXPECT_EQ(provider->SetUsageScenario(static_cast<CREDENTIAL_PROVIDER_USAGE_SCENARIO>(c.scenario), 0), c.status)
        << c.scenario;
    ExpectCount(provider, 0, E_FAIL);
  }
  ASSERT_EQ(provider->SetUsageScenario(CPUS_UNLOCK_WORKSTATION, 0), S_OK);
  ExpectCount(provider, 2, S_OK);
  ICredentialProviderCredential* first = nullptr;
  ASSERT_EQ(provider->GetCredentialAt(0, &first), S_OK);
  // A second supported scenario changes nothing.
  EXPECT_EQ(provider->SetUsageScenario(CPUS_CREDUI, 0), S_OK);
  ExpectCount(provider, 2, S_OK);
  ICredentialProviderCredential* again = nullptr;
  ASSERT_EQ(provider->GetCredentialAt(0, &again), S_OK);
  EXPECT_EQ(again, first);
  again->Release();
  first->Release();
  ICredentialProviderCredential* none = reinterpret_cast<ICredentialProviderCredential*>(1);
  EXPECT_EQ(provider->GetCredentialAt(2, &none), E_INVALIDARG);
  EXPECT_EQ(provider->GetCredentialAt(0, nullptr), E_INVALIDARG);
  EXPECT_EQ(provider->SetSerialization(nullptr), E_INVALIDARG);
  EXPECT_EQ(provider->Advise(nullptr, 0), E_NOTIMPL);
  EXPECT_EQ(provider->UnAdvise(), E_NOTIMPL);

  // A second provider in the same process: the tiles were made already.
  ICredentialProvider* second = NewProvider();
  EXPECT_EQ(second->SetUsageScenario(CPUS_LOGON, 0), S_OK);
  ExpectCount(second, 0, E_FAIL);
  second->Release();
  provider->Release();
}

TEST_F(PwdResetProviderTest, TheThirteenDescriptors) {
  struct Row {
    CREDENTIAL_PROVIDER_FIELD_TYPE type;
    const char* label;
    GUID guid;
  };
  const Row rows[] = {
      {CPFT_TILE_IMAGE, "Varnok Logo", CPFG_CREDENTIAL_PROVIDER_LOGO},
      {CPFT_LARGE_TEXT, "Selected Function", CPFG_CREDENTIAL_PROVIDER_LABEL},
      {CPFT_SMALL_TEXT, "Varnok Self-Service", GUID_NULL},
      {CPFT_SMALL_TEXT, "Instruction text", GUID_NULL},
      {CPFT_EDIT_TEXT, "Username", GUID_NULL},
      {CPFT_SMALL_TEXT, "Question text", GUID_NULL},
      {CPFT_PASSWORD_TEXT, "Your Answer", GUID_NULL},
      {CPFT_COMMAND_LINK, "Hint link", GUID_NULL},
      {CPFT_COMMAND_LINK, "Skip link", GUID_NULL},
      {CPFT_PASSWORD_TEXT, "Enter new password", GUID_NULL},
      {CPFT_PASSWORD_TEXT, "Confirm new password", GUID_NULL},
      {CPFT_COMMAND_LINK, "Password rules", GUID_NULL},
      {CPFT_SUBMIT_BUTTON, "Submit", GUID_NULL},
  };
  registry.Write("");
  ICredentialProvider* provider = NewProvider();
  DWORD count = 0;
  ASSERT_EQ(provider->GetFieldDescriptorCount(&count), S_OK);
  ASSERT_EQ(count, 13u);
  for (DWORD index = 0; index < count; ++index) {
    CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR* descriptor = nullptr;
    ASSERT_EQ(provider->GetFieldDescriptorAt(index, &descriptor), S_OK);
    EXPECT_EQ(descriptor->dwFieldID, index);
    EXPECT_EQ(descriptor->cpft, rows[index].type) << index;
    EXPECT_EQ(Utf16ToUtf8(descriptor->pszLabel), rows[index].label);
    EXPECT_TRUE(IsEqualGUID(descriptor->guidFieldType, rows[index].guid)) << index;
    CoTaskMemFree(descriptor->pszLabel);
    CoTaskMemFree(descriptor);
  }
  CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR* descriptor = nullptr;
  EXPECT_EQ(provider->GetFieldDescriptorAt(13, &descriptor), E_INVALIDARG);
  EXPECT_EQ(provider->GetFieldDescriptorAt(0, nullptr), E_INVALIDARG);
  provider->Release();
}

TEST_F(PwdResetProviderTest, HideAnswersDecidesTheAnswerFieldsType) {
  struct Case {
    const char* value;
    CREDENTIAL_PROVIDER_FIELD_TYPE type;
  };
  for (const Case& c : {Case{"", CPFT_PASSWORD_TEXT}, Case{"\"HideAnswers\"=dword:00000000\r\n", CPFT_EDIT_TEXT},
                        Case{"\"HideAnswers\"=dword:00000007\r\n", CPFT_PASSWORD_TEXT}}) {
    SCOPED_TRACE(c.value);
    registry.Write(c.value);
    ICredentialProvider* provider = NewProvider();
    CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR* descriptor = nullptr;
    ASSERT_EQ(provider->GetFieldDescriptorAt(6, &descriptor), S_OK);
    EXPECT_EQ(descriptor->cpft, c.type);
    CoTaskMemFree(descriptor->pszLabel);
    CoTaskMemFree(descriptor);
    provider->Release();
  }
}

}  // namespace
