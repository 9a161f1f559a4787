// The registry calls over the registry file (registry_file.h). An opened key
// is only its path in a table of handles; every open and query reads the file
// again, as the callers expect of the registry.
#include "platform/registry/registry.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/registry/registry_file.h"
#include "platform/base/text.h"

namespace {

// ---------------------------------------------------------------- handles

// The open keys of the process, as the system keeps them for a Windows
// process: this is what lets a stale or made-up handle be refused with
// ERROR_INVALID_HANDLE rather than followed. Handle numbers start above the
// roots' values and are never reused, so a key closed twice stays refused.
class COpenKeys {
 public:
  HKEY Add(std::string path) {
    std::lock_guard<std::mutex> hold(m_lock);
    const std::uintptr_t handle = m_next;
    m_next += 4;
    m_paths.emplace(handle, std::move(path));
    return reinterpret_cast<HKEY>(handle);
  }

  bool Find(HKEY key, std::string& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_paths.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == m_paths.end()) return false;
    path = found->second;
    return true;
  }

  bool Remove(HKEY key) {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_paths.erase(reinterpret_cast<std::uintptr_t>(key)) != 0;
  }

 private:
  static_assert(sizeof(std::uintptr_t) >= 8, "handle numbers start above 32 bits");
  std::mutex m_lock;
  std::unordered_map<std::uintptr_t, std::string> m_paths;
  std::uintptr_t m_next = std::uintptr_t{1} << 32;
};

COpenKeys& OpenKeys() {
  static COpenKeys keys;
  return keys;
}

std::string_view RootPath(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return "hkey_local_machine";
  if (key == HKEY_CURRENT_USER) return "hkey_current_user";
  if (key == HKEY_CLASSES_ROOT) return "hkey_classes_root";
  return {};
}

// The folded path of a root or an opened key; false for any other handle.
bool KeyPath(HKEY key, std::string& path) {
  const std::string_view root = RootPath(key);
  if (!root.empty()) {
    path.assign(root);
    return true;
  }
  return OpenKeys().Find(key, path);
}

// Nothing is thrown across the Windows interface; running out of memory is a
// status like any other.
template <class Call>
LSTATUS Guarded(Call call) {
  try {
    return static_cast<LSTATUS>(call());
  } catch (const std::bad_alloc&) {
    return static_cast<LSTATUS>(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return static_cast<LSTATUS>(ERROR_GEN_FAILURE);
  }
}

// ---------------------------------------------------------------- calls

DWORD OpenKey(HKEY key, std::string_view subKey, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string base;
  if (!KeyPath(key, base)) return ERROR_INVALID_HANDLE;
  std::string path = JoinRegistryPath(base, subKey);
  if (path == base && !RootPath(key).empty()) {
    *result = key;
    return ERROR_SUCCESS;
  }
  CRegistryKeys keys;
  const DWORD status = LoadRegistryFile(RegistryFilePath(), keys);
  if (status != ERROR_SUCCESS) return status;
  if (!RegistryKeyExists(keys, path)) return ERROR_FILE_NOT_FOUND;
  *result = OpenKeys().Add(std::move(path));
  return ERROR_SUCCESS;
}

// Finds the value `valueName` of the key `keyPath` below `key`, reading the
// file into `keys`, which then owns it.
DWORD FindValue(HKEY key, std::string_view keyPath, std::string_view valueName, CRegistryKeys& keys,
                const CRegistryValue*& value) {
  std::string base;
  if (!KeyPath(key, base)) return ERROR_INVALID_HANDLE;
  const DWORD status = LoadRegistryFile(RegistryFilePath(), keys);
  if (status != ERROR_SUCCESS) return status;
  const auto found = keys.find(JoinRegistryPath(base, keyPath));
  if (found == keys.end()) return ERROR_FILE_NOT_FOUND;
  const auto named = found->second.find(FoldRegistryName(valueName));
  if (named == found->second.end()) return ERROR_FILE_NOT_FOUND;
  value = &named->second;
  return ERROR_SUCCESS;
}

DWORD QueryValue(HKEY key, std::string_view valueName, bool wide, DWORD* reserved, DWORD* type, BYTE* data,
                 DWORD* dataSize) {
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return ERROR_INVALID_PARAMETER;
  CRegistryKeys keys;
  const CRegistryValue* value = nullptr;
  const DWORD status = FindValue(key, {}, valueName, keys, value);
  if (status != ERROR_SUCCESS) return status;
  if (type != nullptr) *type = value->type;
  if (dataSize == nullptr) return ERROR_SUCCESS;
  const std::string bytes = RegistryValueBytes(*value, wide);
  // The file's size cap keeps every value far below 4 GiB.
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (data != nullptr) {
    if (*dataSize < needed) {
      *dataSize = needed;
      return ERROR_MORE_DATA;
    }
    if (needed > 0) std::memcpy(data, bytes.data(), needed);
  }
  *dataSize = needed;
  return ERROR_SUCCESS;
}

std::string_view NarrowName(LPCSTR name) { return name == nullptr ? std::string_view() : std::string_view(name); }

std::string WideName(LPCWSTR name) { return name == nullptr ? std::string() : Utf16ToUtf8(name); }

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM /*desired*/, PHKEY result) {
  return Guarded([&] { return OpenKey(key, NarrowName(subKey), result); });
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM /*desired*/, PHKEY result) {
  return Guarded([&] {
    if (result != nullptr) *result = nullptr;
    return OpenKey(key, WideName(subKey), result);
  });
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
  return Guarded([&] { return QueryValue(key, NarrowName(valueName), false, reserved, type, data, dataSize); });
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
  return Guarded([&] { return QueryValue(key, WideName(valueName), true, reserved, type, data, dataSize); });
}

LSTATUS RegCloseKey(HKEY key) {
  return Guarded([&] {
    if (!RootPath(key).empty()) return ERROR_SUCCESS;
    return OpenKeys().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  });
}

bool ReadRegistryText(HKEY root, std::string_view keyPath, std::string_view valueName, std::string& value) {
  const LSTATUS status = Guarded([&] {
    CRegistryKeys keys;
    const CRegistryValue* found = nullptr;
    const DWORD result = FindValue(root, keyPath, valueName, keys, found);
    if (result != ERROR_SUCCESS) return result;
    if (found->type != REG_SZ) return ERROR_INVALID_DATA;
    const std::string bytes = RegistryValueBytes(*found, false);
    value.assign(bytes, 0, bytes.find('\0'));
    return ERROR_SUCCESS;
  });
  if (status == static_cast<LSTATUS>(ERROR_SUCCESS)) return true;
  SetLastError(static_cast<DWORD>(status));
  return false;
}
