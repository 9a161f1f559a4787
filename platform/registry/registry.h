// The Windows registry calls our code makes (open a key, query a value, close
// the key; and, for self-registration, create keys, set and delete values,
// delete keys), served from the registry file that registry_file.h parses.
// The file is read afresh at every call; a write call writes it back whole
// and atomically (registry_file_edit.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/last_error.h"
#include "platform/base/wintypes.h"

// Key handles are opaque. The three roots are fixed values, as on Windows;
// an opened key is a number from the layer's own handle table.
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

// Access rights. The file's own permissions decide, so any access is granted.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
// What RegCreateKeyExW did.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Value types.
inline constexpr DWORD REG_SZ = 1;         // text with its terminating zero
inline constexpr DWORD REG_EXPAND_SZ = 2;  // text with %NAME% references, not expanded here
inline constexpr DWORD REG_BINARY = 3;     // bytes
inline constexpr DWORD REG_DWORD = 4;      // 32-bit number, little-endian
inline constexpr DWORD REG_MULTI_SZ = 7;   // texts, each ending in a zero, then one more zero
inline constexpr DWORD REG_QWORD = 11;     // 64-bit number, little-endian

// Opens `subKey` under `key` (an empty or null subKey with a root gives the
// root itself). Returns ERROR_SUCCESS and the handle in *result, or, with
// *result set to null: ERROR_FILE_NOT_FOUND for a missing key (or a missing
// registry file), ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER for a null
// result, ERROR_BADDB for a file too large or without the format's first
// line, or the file's read error. Names compare ignoring ASCII case. A key
// exists when a section names it or a key below it. The narrow form takes
// UTF-8, the wide form UTF-16.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);

// Queries the value `valueName` of `key` (null or empty: the key's default
// value, "@" in the file). Sets *type when type is given. With data null and
// dataSize given, stores the size in bytes in *dataSize. With data given,
// *dataSize is the buffer's size: too small gives ERROR_MORE_DATA and the size
// needed in *dataSize with nothing copied; otherwise the data is copied and
// *dataSize is its size. Text types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)
// come as UTF-8 from the narrow form and as UTF-16LE from the wide form, with
// their zeros as stored (a "..." value has one, counted in the size); other
// types come as stored. A missing value, or a key gone from the file since it
// was opened, gives ERROR_FILE_NOT_FOUND; reserved not null, or data without
// dataSize, ERROR_INVALID_PARAMETER; plus the file errors of RegOpenKeyExA.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);

// Releases an opened key. A root gives ERROR_SUCCESS and stays usable; a
// handle not open (or closed already) gives ERROR_INVALID_HANDLE.
LSTATUS RegCloseKey(HKEY key);

// Creates `subKey` below `key` (and the keys between) when it does not exist,
// and opens it. *disposition, when given, says which. The errors of
// RegOpenKeyExA, and those of writing the file: ERROR_ACCESS_DENIED,
// ERROR_WRITE_PROTECT, ERROR_DISK_FULL, ...; the file is then as it was.
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM desired,
                        void* security, PHKEY result, DWORD* disposition);
// Sets the value `valueName` (null or empty: the default value) of `key` to
// `dataSize` bytes of `type`; text types in UTF-16LE with their zeros.
// ERROR_INVALID_PARAMETER for a name with a line break or data without a
// size; ERROR_FILE_NOT_FOUND when the key is gone; the write errors.
LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
// ERROR_FILE_NOT_FOUND when the key has no such value.
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes `subKey` below `key`, which must have no subkeys
// (ERROR_ACCESS_DENIED otherwise); ERROR_FILE_NOT_FOUND when missing.
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes `subKey` below `key` with every key below it; a null subKey
// deletes the values and subkeys of `key` itself, which stays.
LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);

// The layer's own reader of one REG_SZ value: `keyPath` below `root` (a root
// or an opened key), the text up to its first zero, as UTF-8, in `value`.
// Returns false with the last-error code set, and `value` untouched, when the
// key or value is missing (ERROR_FILE_NOT_FOUND), the value is not REG_SZ
// (ERROR_INVALID_DATA), or the file cannot be read (as RegOpenKeyExA).
bool ReadRegistryText(HKEY root, std::string_view keyPath, std::string_view valueName, std::string& value);

// Which bytes a text value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) has for
// ReadRegistryNumber: those of the narrow calls (UTF-8) or of the wide ones
// (UTF-16LE), zeros included as stored.
enum class RegistryTextBytes { Narrow, Wide };

// The layer's own reader of a number kept in a value of any type: `keyPath`
// below `key` (a root or an opened key; empty: the key itself), data of at
// most 4 bytes read as a little-endian number, a shorter value filling the
// low bytes (an empty one is 0). Nothing for a longer value, a missing key or
// value, or a file that cannot be read.
std::optional<DWORD> ReadRegistryNumber(HKEY key, std::string_view keyPath, std::string_view valueName,
                                        RegistryTextBytes text = RegistryTextBytes::Narrow);

// The layer's own writer of one REG_SZ value, the counterpart of
// ReadRegistryText: creates `keyPath` below `root` as needed and sets the
// value (empty name: the default value) to the UTF-8 `value`.
// ERROR_SUCCESS or the failure of RegCreateKeyExW or RegSetValueExW.
LSTATUS WriteRegistryText(HKEY root, std::string_view keyPath, std::string_view valueName, std::string_view value);
