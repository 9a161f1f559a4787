// The registry calls over the registry file (registry_file.h). An opened key
// is only its path in a table of handles; every open and query reads the file
// again, as the callers expect of the registry.
#include "platform/registry/registry.h"

#include <cstring>

#include "platform/registry/registry_file.h"
#include "platform/registry/registry_handles.h"
#include "platform/base/text.h"

namespace {

// ---------------------------------------------------------------- calls

DWORD OpenKey(HKEY key, std::string_view subKey, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string base;
  if (!RegistryKeyPath(key, base)) return ERROR_INVALID_HANDLE;
  const std::string path = JoinRegistryPath(base, subKey);
  if (path == JoinRegistryPath(base, {}) && IsRegistryRoot(key)) {
    *result = key;
    return ERROR_SUCCESS;
  }
  CRegistryKeys keys;
  const DWORD status = LoadRegistryFile(RegistryFilePath(), keys);
  if (status != ERROR_SUCCESS) return status;
  if (!RegistryKeyExists(keys, path)) return ERROR_FILE_NOT_FOUND;
  *result = AddOpenRegistryKey(ShownRegistryPath(base, subKey));
  return ERROR_SUCCESS;
}

// Finds the value `valueName` of the key `keyPath` below `key`, reading the
// file into `keys`, which then owns it.
DWORD FindValue(HKEY key, std::string_view keyPath, std::string_view valueName, CRegistryKeys& keys,
                const CRegistryValue*& value) {
  std::string base;
  if (!RegistryKeyPath(key, base)) return ERROR_INVALID_HANDLE;
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
  return GuardedRegistryCall([&] { return OpenKey(key, NarrowName(subKey), result); });
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM /*desired*/, PHKEY result) {
  return GuardedRegistryCall([&] {
    if (result != nullptr) *result = nullptr;
    return OpenKey(key, WideName(subKey), result);
  });
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
  return GuardedRegistryCall([&] { return QueryValue(key, NarrowName(valueName), false, reserved, type, data, dataSize); });
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
  return GuardedRegistryCall([&] { return QueryValue(key, WideName(valueName), true, reserved, type, data, dataSize); });
}

LSTATUS RegCloseKey(HKEY key) {
  return GuardedRegistryCall([&] {
    if (IsRegistryRoot(key)) return ERROR_SUCCESS;
    return RemoveOpenRegistryKey(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  });
}

bool ReadRegistryText(HKEY root, std::string_view keyPath, std::string_view valueName, std::string& value) {
  const LSTATUS status = GuardedRegistryCall([&] {
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

std::optional<DWORD> ReadRegistryNumber(HKEY key, std::string_view keyPath, std::string_view valueName,
                                        RegistryTextBytes text) {
  std::optional<DWORD> number;
  GuardedRegistryCall([&] {
    CRegistryKeys keys;
    const CRegistryValue* found = nullptr;
    const DWORD result = FindValue(key, keyPath, valueName, keys, found);
    if (result != ERROR_SUCCESS) return result;
    const std::string bytes = RegistryValueBytes(*found, text == RegistryTextBytes::Wide);
    // As a query into a 4-byte buffer: a longer value does not fit.
    if (bytes.size() > sizeof(DWORD)) return ERROR_MORE_DATA;
    DWORD value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      value |= static_cast<DWORD>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    number = value;
    return ERROR_SUCCESS;
  });
  return number;
}
