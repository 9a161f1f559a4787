// The ADSI layer without a directory: paths, HRESULTs, variants, the
// per-thread extended error, the LDAP result map and the failures that
// come before any server is asked.
#include <gtest/gtest.h>

#include <ldap.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/adsi/adsi.h"
#include "platform/adsi/adsi_ldap_error.h"
#include "platform/adsi/adsi_path.h"
#include "platform/base/format_message.h"

namespace {

TEST(AdsPath, PartsOfPaths) {
  struct Case {
    const char* path;
    const char* server;
    const char* host;
    int port;
    const char* dn;
  };
  const Case cases[] = {
      {"LDAP://dc1.test.lan/CN=Users,DC=test,DC=lan", "dc1.test.lan", "dc1.test.lan", 0, "CN=Users,DC=test,DC=lan"},
      {"LDAP://127.0.0.1:1636/CN=a\\/b,DC=x", "127.0.0.1:1636", "127.0.0.1", 1636, "CN=a/b,DC=x"},
      {"LDAP://[::1]:389/DC=x", "[::1]:389", "::1", 389, "DC=x"},
      {"LDAP://[::1]/DC=x", "[::1]", "::1", 0, "DC=x"},
      {"LDAP://dc1", "dc1", "dc1", 0, ""},
      // No server: the first part holds "=", so the whole rest is the DN.
      {"LDAP://CN=Users,DC=test,DC=lan", "", "", 0, "CN=Users,DC=test,DC=lan"},
      {"LDAP://CN=a\\/b,DC=x", "", "", 0, "CN=a/b,DC=x"},
      // Other escapes belong to the DN and stay.
      {"LDAP://dc1/CN=a\\,b,DC=x", "dc1", "dc1", 0, "CN=a\\,b,DC=x"},
  };
  for (const Case& c : cases) {
    CAdsPath parsed;
    ASSERT_TRUE(ParseAdsPath(c.path, parsed)) << c.path;
    EXPECT_EQ(parsed.server, c.server) << c.path;
    EXPECT_EQ(parsed.host, c.host) << c.path;
    EXPECT_EQ(parsed.port, c.port) << c.path;
    EXPECT_EQ(parsed.dn, c.dn) << c.path;
  }
}

TEST(AdsPath, RefusesWhatIsNoPath) {
  for (const char* path : {"ldap://dc1/DC=x", "LDAPS://dc1/DC=x", "LDAP://", "LDAP:///DC=x", "LDAP://dc1:0/DC=x",
                           "LDAP://dc1:65536/DC=x", "LDAP://dc1:/DC=x", "LDAP://dc1:38x/DC=x", "LDAP://[::1/DC=x",
                           "LDAP://[::1]x/DC=x", "dc1/DC=x", ""}) {
    CAdsPath parsed;
    EXPECT_FALSE(ParseAdsPath(path, parsed)) << path;
  }
}

TEST(AdsPath, FoundEntriesGetPathsThatOpenThemAgain) {
  EXPECT_EQ(FormatAdsPath("dc1.test.lan", "CN=a/b,CN=Users,DC=x"), "LDAP://dc1.test.lan/CN=a\\/b,CN=Users,DC=x");
  EXPECT_EQ(FormatAdsPath("127.0.0.1:636", "CN=u,DC=x"), "LDAP://127.0.0.1:636/CN=u,DC=x");
  EXPECT_EQ(FormatAdsPath("", "CN=a/b,DC=x"), "LDAP://CN=a\\/b,DC=x");
  for (const char* server : {"dc1.test.lan", "127.0.0.1:636", ""}) {
    CAdsPath parsed;
    ASSERT_TRUE(ParseAdsPath(FormatAdsPath(server, "CN=x/y//z,OU=p/q,DC=x"), parsed)) << server;
    EXPECT_EQ(parsed.server, server);
    EXPECT_EQ(parsed.dn, "CN=x/y//z,OU=p/q,DC=x");
  }
}

TEST(AdsResults, Win32CodesBecomeFacilitySevenFailures) {
  EXPECT_EQ(HRESULT_FROM_WIN32(8240), static_cast<HRESULT>(0x80072030u));
  EXPECT_EQ(HRESULT_FROM_WIN32(5), E_ACCESSDENIED);
  EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
  EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_ADS_BAD_PATHNAME)), E_ADS_BAD_PATHNAME);
  EXPECT_EQ(HRESULT_FACILITY(HRESULT_FROM_WIN32(1326)), FACILITY_WIN32);
  EXPECT_EQ(HRESULT_CODE(HRESULT_FROM_WIN32(1326)), 1326u);
  EXPECT_TRUE(FAILED(E_ADS_BAD_PATHNAME));
  EXPECT_TRUE(SUCCEEDED(S_ADS_NOMORE_ROWS));
}

TEST(AdsResults, LdapResultsMapToTheirWin32Codes) {
  const struct {
    int ldap;
    DWORD win32;
  } cases[] = {
      {LDAP_NO_SUCH_OBJECT, 8240},     {LDAP_INVALID_CREDENTIALS, 1326}, {LDAP_SERVER_DOWN, 8250},
      {LDAP_UNWILLING_TO_PERFORM, 8245}, {LDAP_CONSTRAINT_VIOLATION, 8239}, {LDAP_INSUFFICIENT_ACCESS, 5},
      {LDAP_CONFIDENTIALITY_REQUIRED, 8237}, {LDAP_STRONG_AUTH_REQUIRED, 8232}, {LDAP_TIMEOUT, 1460},
      {LDAP_FILTER_ERROR, 8254},       {LDAP_SUCCESS, 0},                {12345, 8341},
  };
  for (const auto& c : cases) EXPECT_EQ(Win32ErrorFromLdap(c.ldap), c.win32) << c.ldap;
}

TEST(AdsResults, EveryMappedCodeHasASystemText) {
  // The texts are what the service reports; a code without one would read
  // "Error ..." instead.
  for (int code = -20; code <= 130; ++code) {
    const DWORD win32 = Win32ErrorFromLdap(code);
    char buffer[512];
    EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, win32, 0, buffer, sizeof buffer, nullptr), 0u)
        << "LDAP " << code << " -> " << win32;
  }
}

TEST(AdsVariants, AVariantArrayOfStrings) {
  WCHAR first[] = u"eins", second[] = u"zwei";
  LPWSTR texts[] = {first, second};
  VARIANT value;
  ASSERT_EQ(ADsBuildVarArrayStr(texts, 2, &value), S_OK);
  ASSERT_EQ(value.vt, VT_ARRAY | VT_VARIANT);
  ASSERT_NE(value.parray, nullptr);
  EXPECT_EQ(value.parray->rgsabound[0].cElements, 2u);
  EXPECT_EQ(value.parray->rgsabound[0].lLbound, 0);
  const auto* elements = static_cast<const VARIANT*>(value.parray->pvData);
  ASSERT_EQ(elements[1].vt, VT_BSTR);
  EXPECT_EQ(std::u16string(elements[1].bstrVal), u"zwei");
  EXPECT_EQ(SysStringLen(elements[0].bstrVal), 4u);
  EXPECT_EQ(VariantClear(&value), S_OK);
  EXPECT_EQ(value.vt, VT_EMPTY);
  EXPECT_EQ(ADsBuildVarArrayStr(nullptr, 1, &value), E_ADS_BAD_PARAMETER);
}

TEST(AdsLastError, RecordedPerThreadAndCutToTheBuffers) {
  ADsSetLastError(0, nullptr, nullptr);
  DWORD error = 7;
  WCHAR text[8], provider[32];
  EXPECT_TRUE(FAILED(ADsGetLastError(&error, text, 8, provider, 32)));  // none recorded

  ADsSetLastError(49, u"80090308: LdapErr", u"LDAP Provider");
  ASSERT_EQ(ADsGetLastError(&error, text, 8, provider, 32), S_OK);
  EXPECT_EQ(error, 49u);
  EXPECT_EQ(std::u16string(text), u"8009030");
  EXPECT_EQ(std::u16string(provider), u"LDAP Provider");

  std::thread other([] {
    DWORD otherError = 0;
    WCHAR otherText[8];
    EXPECT_TRUE(FAILED(ADsGetLastError(&otherError, otherText, 8, nullptr, 0)));
  });
  other.join();
  ADsSetLastError(0, nullptr, nullptr);
}

// A registry file with no Platform key for the test's own process.
class AdsOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry = std::filesystem::temp_directory_path() / ("adsi-test-" + std::to_string(getpid()) + ".reg");
    std::ofstream(registry) << "Windows Registry Editor Version 5.00\r\n\r\n";
    setenv("VARNOK_REGISTRY", registry.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VARNOK_REGISTRY");
    std::filesystem::remove(registry);
  }
  std::filesystem::path registry;
};

TEST_F(AdsOpenTest, FailuresBeforeAnyServerIsAsked) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(ADsOpenObject(u"ldap://dc1/DC=x", nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IADs, &object),
            E_ADS_BAD_PATHNAME);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(ADsOpenObject(u"LDAP://dc1/DC=x", nullptr, nullptr, 0, IID_IClassFactory, &object), E_NOINTERFACE);
  // No server in the path and no local controller configured.
  EXPECT_EQ(ADsOpenObject(u"LDAP://DC=x", nullptr, nullptr, ADS_SECURE_AUTHENTICATION, IID_IADs, &object),
            HRESULT_FROM_WIN32(1355));
  // A name without a password is refused, never sent as an unauthenticated
  // bind: port 1 has no listener, so asking it would fail otherwise.
  EXPECT_EQ(ADsOpenObject(u"LDAP://127.0.0.1:1/DC=x", u"someone", u"", ADS_FAST_BIND | ADS_USE_ENCRYPTION, IID_IADs,
                          &object),
            HRESULT_FROM_WIN32(1326));
  EXPECT_EQ(object, nullptr);
  // Nor is a password sent on a connection without TLS.
  EXPECT_EQ(ADsOpenObject(u"LDAP://127.0.0.1:1/DC=x", u"someone", u"secret", ADS_FAST_BIND, IID_IADs, &object),
            HRESULT_FROM_WIN32(8237));
  EXPECT_EQ(object, nullptr);
}

TEST_F(AdsOpenTest, AServerThatDoesNotAnswerIsDownWithTheProvidersError) {
  void* object = nullptr;
  EXPECT_EQ(ADsOpenObject(u"LDAP://127.0.0.1:1/DC=x", nullptr, nullptr, ADS_SECURE_AUTHENTICATION,
                          IID_IDirectorySearch, &object),
            HRESULT_FROM_WIN32(8250));
  EXPECT_EQ(object, nullptr);
  DWORD error = 0;
  WCHAR text[260], provider[260];
  ASSERT_EQ(ADsGetLastError(&error, text, 260, provider, 260), S_OK);
  EXPECT_EQ(static_cast<int>(error), LDAP_SERVER_DOWN);
  EXPECT_EQ(std::u16string(provider), u"LDAP Provider");
  // The next call starts afresh.
  EXPECT_EQ(ADsOpenObject(u"bad", nullptr, nullptr, 0, IID_IADs, &object), E_ADS_BAD_PATHNAME);
  EXPECT_TRUE(FAILED(ADsGetLastError(&error, text, 260, provider, 260)));
}

}  // namespace
