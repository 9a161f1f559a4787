// The registry script of PwdResetRequest as a table, and its running: at
// registration the class key and its Programmable key are deleted first, so
// an earlier registration leaves nothing behind under them; unregistration
// takes the keys away deepest first, leaving HKEY_CLASSES_ROOT\CLSID.
#include "webobject/kestrine_registration.h"

#include <string>

#include "platform/base/text.h"
#include "platform/registry/registry.h"
#include "webobject/pwd_reset_request_table.h"

namespace {

enum class Removal {
  kRemoved,       // deleted at unregistration when nothing else is left below it
  kNeverRemoved,  // a parent shared with others
  kForceRemoved,  // deleted with all below it before registration and at unregistration
};

struct CScriptKey {
  const char* path;          // below HKEY_CLASSES_ROOT
  const char* defaultValue;  // null: none; "%MODULE%": the library's path
  const char* valueName;     // a further value, or null
  const char* value;
  Removal removal;
};

#define KESTRINE_CLSID "{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}"
#define KESTRINE_CLASS_KEY "CLSID\\" KESTRINE_CLSID

constexpr char kModule[] = "%MODULE%";

const CScriptKey kScript[] = {
    {"Varnok.PasswordResetRequest.1", "Varnok Password Reset Request", nullptr, nullptr, Removal::kRemoved},
    {"Varnok.PasswordResetRequest.1\\CLSID", KESTRINE_CLSID, nullptr, nullptr, Removal::kRemoved},
    {"Varnok.PasswordResetRequest", "Varnok Password Reset Request", nullptr, nullptr, Removal::kRemoved},
    {"Varnok.PasswordResetRequest\\CLSID", KESTRINE_CLSID, nullptr, nullptr, Removal::kRemoved},
    {"Varnok.PasswordResetRequest\\CurVer", "Varnok.PasswordResetRequest.1", nullptr, nullptr, Removal::kRemoved},
    {"CLSID", nullptr, nullptr, nullptr, Removal::kNeverRemoved},
    {KESTRINE_CLASS_KEY, "Varnok Password Reset Request", nullptr, nullptr, Removal::kForceRemoved},
    {KESTRINE_CLASS_KEY "\\ProgID", "Varnok.PasswordResetRequest.1", nullptr, nullptr, Removal::kRemoved},
    {KESTRINE_CLASS_KEY "\\VersionIndependentProgID", "Varnok.PasswordResetRequest", nullptr, nullptr,
     Removal::kRemoved},
    {KESTRINE_CLASS_KEY "\\Programmable", nullptr, nullptr, nullptr, Removal::kForceRemoved},
    {KESTRINE_CLASS_KEY "\\InprocServer32", kModule, "ThreadingModel", "Apartment", Removal::kRemoved},
    {KESTRINE_CLASS_KEY "\\TypeLib", "{C092D961-B0C8-4AD5-A8A4-357884AB6639}", nullptr, nullptr, Removal::kRemoved},
};

HRESULT Failure(LSTATUS status) { return HRESULT_FROM_WIN32(static_cast<DWORD>(status)); }

bool IsMissing(LSTATUS status) { return status == static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND); }

}  // namespace

HRESULT RegisterKestrine(const std::string& modulePath) {
  if (modulePath.empty()) return E_UNEXPECTED;
  for (const CScriptKey& key : kScript) {
    if (key.removal != Removal::kForceRemoved) continue;
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, Utf8ToUtf16(key.path).c_str());
    if (status != ERROR_SUCCESS && !IsMissing(status)) return Failure(status);
  }
  for (const CScriptKey& key : kScript) {
    LSTATUS status = ERROR_SUCCESS;
    if (key.defaultValue == nullptr) {
      HKEY created = nullptr;
      status = RegCreateKeyExW(HKEY_CLASSES_ROOT, Utf8ToUtf16(key.path).c_str(), 0, nullptr,
                               REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &created, nullptr);
      if (status == ERROR_SUCCESS) RegCloseKey(created);
    } else {
      const std::string value = std::string(key.defaultValue) == kModule ? modulePath : key.defaultValue;
      status = WriteRegistryText(HKEY_CLASSES_ROOT, key.path, "", value);
    }
    if (status == ERROR_SUCCESS && key.valueName != nullptr)
      status = WriteRegistryText(HKEY_CLASSES_ROOT, key.path, key.valueName, key.value);
    if (status != ERROR_SUCCESS) return Failure(status);
  }
  return RegisterTypeLibrary(KESTRINE_TYPE_LIBRARY, Utf8ToUtf16(modulePath).c_str());
}

HRESULT UnregisterKestrine() {
  HRESULT first = S_OK;
  // Deepest first, so that a key's own subkeys are gone when it is removed.
  for (std::size_t i = sizeof kScript / sizeof kScript[0]; i-- > 0;) {
    const CScriptKey& key = kScript[i];
    if (key.removal == Removal::kNeverRemoved) continue;
    const std::u16string path = Utf8ToUtf16(key.path);
    const LSTATUS status = key.removal == Removal::kForceRemoved ? RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str())
                                                                 : RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    // A key gone already, or one that still holds keys of others, is no failure.
    if (status == ERROR_SUCCESS || IsMissing(status) || status == static_cast<LSTATUS>(ERROR_ACCESS_DENIED)) continue;
    if (SUCCEEDED(first)) first = Failure(status);
  }
  const HRESULT library = UnRegisterTypeLibrary(KESTRINE_TYPE_LIBRARY);
  return FAILED(first) ? first : library;
}
