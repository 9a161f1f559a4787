// Self-registration over a table of registry files: the exact keys and
// values DllRegisterServer leaves under HKEY_CLASSES_ROOT (with %MODULE% the
// library's own path) beside whatever the file held, the same file after a
// second registration with no stale value left under the class key, and
// what unregistration leaves (HKEY_CLASSES_ROOT\CLSID and the file's own
// keys).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/base/text.h"
#include "platform/registry/registry_file.h"
#include "webobject/tests/kestrine_fixture.h"

namespace {

// Folded key path -> folded value name -> text.
using CKeyTexts = std::map<std::string, std::map<std::string, std::string>>;

constexpr char kClass[] = "hkey_classes_root\\clsid\\{8a0617e7-bedf-4a22-98d2-40eb55f480fc}";
constexpr char kLibrary[] = "hkey_classes_root\\typelib\\{c092d961-b0c8-4ad5-a8a4-357884ab6639}";
constexpr char kInterface[] = "hkey_classes_root\\interface\\{0944f4de-52a0-460f-854e-e20e193e5192}";

CKeyTexts Expected(const std::string& module) {
  const std::string folderOfModule = module.substr(0, module.find_last_of('/'));
  const std::string version = std::string(kLibrary) + "\\1.0";
  return {
      {"hkey_classes_root\\varnok.passwordresetrequest.1", {{"", "Varnok Password Reset Request"}}},
      {"hkey_classes_root\\varnok.passwordresetrequest.1\\clsid", {{"", "{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}"}}},
      {"hkey_classes_root\\varnok.passwordresetrequest", {{"", "Varnok Password Reset Request"}}},
      {"hkey_classes_root\\varnok.passwordresetrequest\\clsid", {{"", "{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}"}}},
      {"hkey_classes_root\\varnok.passwordresetrequest\\curver", {{"", "Varnok.PasswordResetRequest.1"}}},
      {kClass, {{"", "Varnok Password Reset Request"}}},
      {std::string(kClass) + "\\progid", {{"", "Varnok.PasswordResetRequest.1"}}},
      {std::string(kClass) + "\\versionindependentprogid", {{"", "Varnok.PasswordResetRequest"}}},
      {std::string(kClass) + "\\programmable", {}},
      {std::string(kClass) + "\\inprocserver32", {{"", module}, {"threadingmodel", "Apartment"}}},
      {std::string(kClass) + "\\typelib", {{"", "{C092D961-B0C8-4AD5-A8A4-357884AB6639}"}}},
      {version, {{"", "Varnok Password Reset Kestrine 1.0 Type Library"}}},
      {version + "\\0\\win64", {{"", module}}},
      {version + "\\flags", {{"", "0"}}},
      {version + "\\helpdir", {{"", folderOfModule}}},
      {kInterface, {{"", "IPwdResetRequest"}}},
      {std::string(kInterface) + "\\proxystubclsid", {{"", "{00020424-0000-0000-C000-000000000046}"}}},
      {std::string(kInterface) + "\\proxystubclsid32", {{"", "{00020424-0000-0000-C000-000000000046}"}}},
      {std::string(kInterface) + "\\typelib", {{"", "{C092D961-B0C8-4AD5-A8A4-357884AB6639}"}, {"version", "1.0"}}},
  };
}

constexpr char kClasses[] = "hkey_classes_root\\clsid";

// Every key section of the file with its values as the narrow readers get
// them; HKEY_CLASSES_ROOT\CLSID, which exists whether or not a section names
// it, is looked at on its own.
CKeyTexts KeysOf(const std::string& path) {
  CRegistryKeys keys;
  EXPECT_EQ(LoadRegistryFile(path, keys), ERROR_SUCCESS);
  CKeyTexts texts;
  for (const auto& [key, values] : keys) {
    if (key == kClasses && values.empty()) continue;
    auto& named = texts[key];
    for (const auto& [name, value] : values) {
      const std::string bytes = RegistryValueBytes(value, false);
      named[name] = bytes.substr(0, bytes.find('\0'));
    }
  }
  return texts;
}

std::string Show(const CKeyTexts& keys) {
  std::string text;
  for (const auto& [key, values] : keys) {
    text += "[" + key + "]\n";
    for (const auto& [name, value] : values) text += "  " + name + "=" + value + "\n";
  }
  return text;
}

struct RegistryCase {
  const char* name;
  std::string initial;  // empty: no file at all
  CKeyTexts foreign;    // the file's own keys, which stay
  bool utf16;
};

std::string Utf16File(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : Utf8ToUtf16(text)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

const std::string kProductKey =
    "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n\"CentralServer\"=\"reset.example.test\"\r\n";
const std::string kOtherClass =
    "[HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32]\r\n@=\"/usr/lib/other.so\"\r\n";

std::vector<RegistryCase> Cases() {
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
  // A registration by an older build: values and a key the script does not
  // write, under the class key and under Programmable.
  const std::string stale = header + "[HKEY_CLASSES_ROOT\\CLSID\\{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}]\r\n"
                                     "@=\"Old name\"\r\n\"Stale\"=\"x\"\r\n\r\n"
                                     "[HKEY_CLASSES_ROOT\\CLSID\\{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}\\Programmable]\r\n"
                                     "\"Stale\"=\"y\"\r\n\r\n"
                                     "[HKEY_CLASSES_ROOT\\CLSID\\{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}\\LocalServer32]\r\n"
                                     "@=\"/old/path\"\r\n\r\n"
                                     "[HKEY_CLASSES_ROOT\\CLSID\\{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}\\InprocServer32]\r\n"
                                     "@=\"/old/Kestrine.so\"\r\n\"ThreadingModel\"=\"Both\"\r\n";
  const CKeyTexts productKeys = {
      {"hkey_local_machine\\software\\varnok ag\\varnok password reset", {{"centralserver", "reset.example.test"}}}};
  CKeyTexts withOtherClass = productKeys;
  withOtherClass["hkey_classes_root\\clsid\\{11111111-2222-3333-4444-555555555555}\\inprocserver32"] = {
      {"", "/usr/lib/other.so"}};
  return {
      {"no file yet", "", {}, false},
      {"the service's settings and another class", header + kProductKey + "\r\n" + kOtherClass, withOtherClass, false},
      {"an older registration", stale, {}, false},
      {"a file of the registry editor (UTF-16)", header + kProductKey, productKeys, true},
  };
}

class RegistrationTest : public CRegistryFolderTest {};

TEST_F(RegistrationTest, RegistersExactlyTheScriptsKeysAndUnregistersThem) {
  const CKestrineExports& dll = KestrineExports();
  const std::string module = KestrinePath();
  for (const RegistryCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::remove(registryPath.c_str());
    if (!c.initial.empty()) WriteFileBytes(registryPath, c.utf16 ? Utf16File(c.initial) : c.initial);

    ASSERT_EQ(dll.registerServer(), S_OK);
    CKeyTexts expected = Expected(module);
    expected.insert(c.foreign.begin(), c.foreign.end());
    EXPECT_EQ(Show(KeysOf(registryPath)), Show(expected));
    if (c.utf16) {
      EXPECT_EQ(ReadFileBytes(registryPath).substr(0, 2), "\xFF\xFE");
    }

    // Registering again rewrites the same file.
    const std::string once = ReadFileBytes(registryPath);
    ASSERT_EQ(dll.registerServer(), S_OK);
    EXPECT_EQ(ReadFileBytes(registryPath), once);

    ASSERT_EQ(dll.unregisterServer(), S_OK);
    EXPECT_EQ(Show(KeysOf(registryPath)), Show(c.foreign));
    CRegistryKeys keys;
    ASSERT_EQ(LoadRegistryFile(registryPath, keys), ERROR_SUCCESS);
    EXPECT_TRUE(RegistryKeyExists(keys, kClasses));
    // Unregistering what is gone already is no failure.
    EXPECT_EQ(dll.unregisterServer(), S_OK);
  }
}

TEST_F(RegistrationTest, AFileThatIsNoRegistryIsLeftAsItWas) {
  WriteFileBytes(registryPath, "this is not a registry file\n");
  EXPECT_EQ(KestrineExports().registerServer(), HRESULT_FROM_WIN32(ERROR_BADDB));
  EXPECT_EQ(ReadFileBytes(registryPath), "this is not a registry file\n");
}

}  // namespace
