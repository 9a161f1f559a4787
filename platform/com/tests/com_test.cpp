// The COM base on its own: identities to text and back (registry text is
// read as untrusted), BSTR lengths, and creation by class and ProgID failing
// at each step of its path through the registry file, and reaching a server
// written in C.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/base/library_loader.h"
#include "platform/base/text.h"
#include "platform/com/objbase.h"
#include "platform/com/oleauto.h"
#include "platform/com/shell_strings.h"
#include "tests/support/plain_unknown.h"

namespace {

constexpr GUID kSample{0x8A0617E7, 0xBEDF, 0x4A22, {0x98, 0xD2, 0x40, 0xEB, 0x55, 0xF4, 0x80, 0xFC}};

TEST(GuidTextTest, WritesAndReadsTheBracedForm) {
  WCHAR text[GUID_TEXT_LENGTH + 1] = {};
  EXPECT_EQ(StringFromGUID2(kSample, text, GUID_TEXT_LENGTH), 0);
  ASSERT_EQ(StringFromGUID2(kSample, text, GUID_TEXT_LENGTH + 1), GUID_TEXT_LENGTH + 1);
  EXPECT_EQ(std::u16string(text), u"{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}");
  CLSID read{};
  ASSERT_EQ(CLSIDFromString(u"{8a0617e7-bedf-4a22-98d2-40eb55f480fc}", &read), NOERROR);
  EXPECT_TRUE(IsEqualGUID(read, kSample));
  for (const char16_t* bad : {u"", u"8A0617E7-BEDF-4A22-98D2-40EB55F480FC", u"{8A0617E7-BEDF-4A22-98D2-40EB55F480FC",
                              u"{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}x", u"{8A0617E7BEDF-4A22-98D2-40EB55F480FC}",
                              u"{8A0617E7-BEDF-4A22-98D2-40EB55F480F}", u"{8A0617E7-BEDF-4A22-98D2-40EB55F480FG}",
                              u"{8A0617E7-BEDF-4A22-98D2+40EB55F480FC}", u"{8A06"}) {
    read = kSample;
    EXPECT_EQ(CLSIDFromString(bad, &read), CO_E_CLASSSTRING) << Utf16ToUtf8(bad);
    EXPECT_TRUE(IsEqualGUID(read, GUID_NULL));
  }
  EXPECT_EQ(CLSIDFromString(nullptr, &read), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(u"{}", nullptr), E_INVALIDARG);
}

TEST(BstrTest, LengthsAndZerosAsGiven) {
  const BSTR withZero = SysAllocStringLen(u"a\0b", 3);
  ASSERT_NE(withZero, nullptr);
  EXPECT_EQ(SysStringLen(withZero), 3u);
  EXPECT_EQ(withZero[3], 0);
  SysFreeString(withZero);
  const BSTR zeros = SysAllocStringLen(nullptr, 2);
  EXPECT_EQ(zeros[0], 0);
  EXPECT_EQ(SysStringLen(zeros), 2u);
  SysFreeString(zeros);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocStringLen(u"x", 0x80000000u), nullptr);
}

TEST(ShellStringTest, DuplicatesIntoTaskMemoryAndRefusesNulls) {
  LPWSTR copy = nullptr;
  for (const char16_t* text : {u"", u"Reset Password"}) {
    ASSERT_EQ(SHStrDupW(text, &copy), S_OK);
    EXPECT_NE(copy, text);
    EXPECT_EQ(std::u16string(copy), text);
    CoTaskMemFree(copy);
  }
  copy = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(SHStrDupW(nullptr, &copy), E_INVALIDARG);
  EXPECT_EQ(copy, nullptr);
  EXPECT_EQ(SHStrDupW(u"x", nullptr), E_INVALIDARG);
}

class ClassCreationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/com_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
    ::setenv("VARNOK_REGISTRY", (folder + "/registry.reg").c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  void WriteRegistry(const std::string& sections) {
    std::ofstream(folder + "/registry.reg") << "Windows Registry Editor Version 5.00\n\n" << sections;
  }
  std::string folder;
};

const std::string classKey = "[HKEY_CLASSES_ROOT\\CLSID\\{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}\\InprocServer32]\n";
const std::string progId = "[HKEY_CLASSES_ROOT\\Sample.Thing\\CLSID]\n@=\"{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}\"\n";

TEST_F(ClassCreationTest, EachStepOfThePathFailsWithItsOwnResult) {
  struct Case {
    const char* what;
    std::string registry;
    HRESULT fromProgId;
    HRESULT created;
  };
  const Case cases[] = {
      {"no ProgID", "", CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG},
      {"a ProgID naming no identity", "[HKEY_CLASSES_ROOT\\Sample.Thing\\CLSID]\n@=\"not a clsid\"\n",
       CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG},
      {"no class key", progId, NOERROR, REGDB_E_CLASSNOTREG},
      {"an empty server path", progId + classKey + "@=\"\"\n", NOERROR, REGDB_E_CLASSNOTREG},
      {"a server that does not load", progId + classKey + "@=\"" + folder + "/missing.so\"\n", NOERROR,
       CO_E_DLLNOTFOUND},
      {"a library without DllGetClassObject", progId + classKey + "@=\"" LOADABLE_LIBRARY "\"\n", NOERROR,
       CO_E_ERRORINDLL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRegistry(c.registry);
    CLSID clsid = kSample;
    EXPECT_EQ(CLSIDFromProgID(u"Sample.Thing", &clsid), c.fromProgId);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kSample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), c.created);
    EXPECT_EQ(object, nullptr);
  }
  // A ProgID is one key name; other contexts are not served.
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"Sample.Thing\\CLSID\\..", &clsid), CO_E_CLASSSTRING);
  void* object = nullptr;
  EXPECT_EQ(CoGetClassObject(kSample, 0x4, nullptr, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
}

// The server's factory and object are plain tables of functions: creation
// calls the factory, releases it, and hands the object on.
TEST_F(ClassCreationTest, AServerWrittenInCMakesItsObject) {
  WriteRegistry(progId + classKey + "@=\"" PLAIN_COM_SERVER "\"\n");
  const HMODULE server = LoadLibraryA(PLAIN_COM_SERVER);
  ASSERT_NE(server, nullptr);
  const auto liveReferences = reinterpret_cast<ULONG (*)()>(GetProcAddress(server, "PlainServerLiveReferences"));
  ASSERT_NE(liveReferences, nullptr);

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(kSample, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(liveReferences(), 0u);
  ASSERT_EQ(CoCreateInstance(kSample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
  ASSERT_NE(object, nullptr);
  // Only the object's own reference is left.
  EXPECT_EQ(liveReferences(), 1u);
  EXPECT_EQ(PlainTableOf(object)->Release(object), 0u);
  EXPECT_EQ(liveReferences(), 0u);
  FreeLibrary(server);
}

}  // namespace
