// The registry's write calls over the registry file: each reads the file,
// edits its text (registry_file_edit.h) and writes it back atomically. One
// lock keeps the process's own edits from overlapping.
#include <mutex>
#include <string>

#include "platform/base/text.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_file.h"
#include "platform/registry/registry_file_edit.h"
#include "platform/registry/registry_handles.h"

namespace {

std::mutex& EditLock() {
  static std::mutex lock;
  return lock;
}

std::string WideName(LPCWSTR name) { return name == nullptr ? std::string() : Utf16ToUtf8(name); }

// The shown and folded paths of `subKey` below `key`.
struct CKeyPaths {
  std::string shown;
  std::string folded;
};

DWORD PathsOf(HKEY key, LPCWSTR subKey, CKeyPaths& paths) {
  std::string base;
  if (!RegistryKeyPath(key, base)) return ERROR_INVALID_HANDLE;
  const std::string sub = WideName(subKey);
  paths.shown = ShownRegistryPath(base, sub);
  paths.folded = JoinRegistryPath(base, sub);
  return ERROR_SUCCESS;
}

// Loads the file, lets `change` edit it (it answers ERROR_SUCCESS to have it
// saved, anything else to leave the file alone), saves.
template <class Change>
DWORD EditRegistryFile(Change change) {
  std::lock_guard<std::mutex> hold(EditLock());
  const std::string path = RegistryFilePath();
  CRegistryFileEdit edit;
  DWORD status = edit.Load(path);
  if (status != ERROR_SUCCESS) return status;
  status = change(edit);
  if (status != ERROR_SUCCESS) return status;
  return edit.Save(path);
}

}  // namespace

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*keyClass*/, DWORD /*options*/,
                        REGSAM /*desired*/, void* /*security*/, PHKEY result, DWORD* disposition) {
  return GuardedRegistryCall([&]() -> DWORD {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    CKeyPaths paths;
    DWORD status = PathsOf(key, subKey, paths);
    if (status != ERROR_SUCCESS) return status;
    if (paths.shown.find_first_of("\r\n") != std::string::npos) return ERROR_INVALID_PARAMETER;
    bool created = false;
    status = EditRegistryFile([&](CRegistryFileEdit& edit) -> DWORD {
      created = !edit.KeyExists(paths.folded);
      if (!created) return ERROR_ALREADY_EXISTS;  // nothing to write
      edit.CreateKey(paths.folded, paths.shown);
      return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS && status != ERROR_ALREADY_EXISTS) return status;
    *result = AddOpenRegistryKey(paths.shown);
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD dataSize) {
  return GuardedRegistryCall([&]() -> DWORD {
    if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
    CKeyPaths paths;
    const DWORD status = PathsOf(key, nullptr, paths);
    if (status != ERROR_SUCCESS) return status;
    const std::string name = WideName(valueName);
    std::string line;
    const std::string bytes(reinterpret_cast<const char*>(data), data == nullptr ? 0 : dataSize);
    if (!RegistryValueText(name, type, bytes, line)) return ERROR_INVALID_PARAMETER;
    return EditRegistryFile([&](CRegistryFileEdit& edit) -> DWORD {
      if (!edit.KeyExists(paths.folded)) return ERROR_FILE_NOT_FOUND;
      edit.SetValue(paths.folded, paths.shown, FoldRegistryName(name), line);
      return ERROR_SUCCESS;
    });
  });
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  return GuardedRegistryCall([&]() -> DWORD {
    CKeyPaths paths;
    const DWORD status = PathsOf(key, nullptr, paths);
    if (status != ERROR_SUCCESS) return status;
    return EditRegistryFile([&](CRegistryFileEdit& edit) -> DWORD {
      return edit.DeleteValue(paths.folded, FoldRegistryName(WideName(valueName))) ? ERROR_SUCCESS
                                                                                   : ERROR_FILE_NOT_FOUND;
    });
  });
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  return GuardedRegistryCall([&]() -> DWORD {
    CKeyPaths paths;
    const DWORD status = PathsOf(key, subKey, paths);
    if (status != ERROR_SUCCESS) return status;
    // A root is never deleted.
    if (paths.folded.find('\\') == std::string::npos) return ERROR_ACCESS_DENIED;
    return EditRegistryFile([&](CRegistryFileEdit& edit) -> DWORD {
      if (!edit.KeyExists(paths.folded)) return ERROR_FILE_NOT_FOUND;
      if (edit.HasSubkeys(paths.folded)) return ERROR_ACCESS_DENIED;
      edit.DeleteKey(paths.folded, false);
      return ERROR_SUCCESS;
    });
  });
}

LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
  return GuardedRegistryCall([&]() -> DWORD {
    CKeyPaths paths;
    const DWORD status = PathsOf(key, subKey, paths);
    if (status != ERROR_SUCCESS) return status;
    const bool keepKey = subKey == nullptr;
    if (!keepKey && paths.folded.find('\\') == std::string::npos) return ERROR_ACCESS_DENIED;
    return EditRegistryFile([&](CRegistryFileEdit& edit) -> DWORD {
      if (!edit.KeyExists(paths.folded)) return ERROR_FILE_NOT_FOUND;
      if (keepKey) {
        // The key's own sections stay, emptied of values; those below go.
        edit.DeleteKey(paths.folded, true);
        edit.CreateKey(paths.folded, paths.shown);
      } else {
        edit.DeleteKey(paths.folded, true);
      }
      return ERROR_SUCCESS;
    });
  });
}

LSTATUS WriteRegistryText(HKEY root, std::string_view keyPath, std::string_view valueName, std::string_view value) {
  return GuardedRegistryCall([&]() -> DWORD {
    HKEY key = nullptr;
    const std::u16string path = Utf8ToUtf16(keyPath);
    const LSTATUS created =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (created != ERROR_SUCCESS) return static_cast<DWORD>(created);
    const std::u16string name = Utf8ToUtf16(valueName);
    const std::u16string text = Utf8ToUtf16(value);
    const LSTATUS set = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    return static_cast<DWORD>(set);
  });
}
