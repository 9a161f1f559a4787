// Type-library registration in the registry file, with the keys the
// platform's own registration writes, so that a script host finds the
// library of an interface and its marshaller.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/text.h"
#include "platform/com/type_library.h"
#include "platform/registry/registry.h"

namespace {

std::string GuidText(REFGUID guid) {
  WCHAR text[GUID_TEXT_LENGTH + 1];
  StringFromGUID2(guid, text, GUID_TEXT_LENGTH + 1);
  return Utf16ToUtf8(text);
}

std::string VersionText(const CTypeLibrary& library) {
  char text[16];
  std::snprintf(text, sizeof text, "%x.%x", static_cast<unsigned>(library.majorVersion),
                static_cast<unsigned>(library.minorVersion));
  return text;
}

std::string Narrow(LPCOLESTR text) { return text == nullptr ? std::string() : Utf16ToUtf8(text); }

std::string VersionKey(const CTypeLibrary& library) {
  return "TypeLib\\" + GuidText(library.libid) + "\\" + VersionText(library);
}

// Deletes a tree; one that is not there is no failure.
LSTATUS DeleteTree(const std::string& key) {
  const std::u16string wide = Utf8ToUtf16(key);
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, wide.c_str());
  return status == static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND) ? ERROR_SUCCESS : status;
}

}  // namespace

HRESULT RegisterTypeLibrary(const CTypeLibrary& library, LPCOLESTR modulePath) {
  if (modulePath == nullptr) return E_INVALIDARG;
  const std::string path = Utf16ToUtf8(modulePath);
  const std::string folder = path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
  const std::string version = VersionKey(library);
  const std::string help = library.helpString != nullptr ? Narrow(library.helpString) : Narrow(library.name);
  struct CEntry {
    std::string key;
    const char* name;
    std::string value;
  };
  std::vector<CEntry> entries = {
      {version, "", help},
      {version + "\\0\\win64", "", path},
      {version + "\\FLAGS", "", "0"},
      {version + "\\HELPDIR", "", folder},
  };
  std::vector<std::string> stale = {version};
  for (UINT i = 0; i < library.interfaceCount; ++i) {
    const CDispatchInterface& dispatch = *library.interfaces[i];
    const std::string key = "Interface\\" + GuidText(dispatch.iid);
    stale.push_back(key);
    entries.push_back({key, "", Narrow(dispatch.name)});
    entries.push_back({key + "\\ProxyStubClsid", "", GuidText(CLSID_PSOAInterface)});
    entries.push_back({key + "\\ProxyStubClsid32", "", GuidText(CLSID_PSOAInterface)});
    entries.push_back({key + "\\TypeLib", "", GuidText(library.libid)});
    entries.push_back({key + "\\TypeLib", "Version", VersionText(library)});
  }
  for (const std::string& key : stale) {
    const LSTATUS status = DeleteTree(key);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
  }
  for (const CEntry& entry : entries) {
    const LSTATUS status = WriteRegistryText(HKEY_CLASSES_ROOT, entry.key, entry.name, entry.value);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
  }
  return S_OK;
}

HRESULT UnRegisterTypeLibrary(const CTypeLibrary& library) {
  std::vector<std::string> keys = {VersionKey(library)};
  for (UINT i = 0; i < library.interfaceCount; ++i)
    keys.push_back("Interface\\" + GuidText(library.interfaces[i]->iid));
  for (const std::string& key : keys) {
    const LSTATUS status = DeleteTree(key);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
  }
  // The library's key goes when no other version is left in it.
  const std::u16string libraryKey = Utf8ToUtf16("TypeLib\\" + GuidText(library.libid));
  const LSTATUS status = RegDeleteKeyW(HKEY_CLASSES_ROOT, libraryKey.c_str());
  if (status == ERROR_SUCCESS || status == static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND) ||
      status == static_cast<LSTATUS>(ERROR_ACCESS_DENIED))
    return S_OK;
  return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}
