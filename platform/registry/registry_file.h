// The registry file: a registry editor export ("Windows Registry Editor
// Version 5.00") read whole and parsed into keys and values. registry.h
// serves the Windows registry calls from what this gives; no handles here.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"
#include "platform/base/wintypes.h"

// The file holds a few settings; anything larger is refused unread, which
// also bounds what one parse can allocate.
inline constexpr std::size_t kMaxRegistryFileBytes = 4u << 20;

struct CRegistryValue {
  DWORD type = REG_BINARY;
  // The data as stored: for text types UTF-16LE with the zeros the file
  // gives, except a "..." text, which is kept as the file's UTF-8 with one
  // zero (utf8 set) so that narrow readers get the file's bytes exactly.
  std::string data;
  bool utf8 = false;
};

// Values by folded name ("" for the default value); keys by folded path,
// the root's full name first: "hkey_local_machine\software\varnok ag".
using CRegistryKeyValues = std::map<std::string, CRegistryValue>;
using CRegistryKeys = std::map<std::string, CRegistryKeyValues>;

// ASCII letters lowered, every other byte kept: how key and value names
// compare.
std::string FoldRegistryName(std::string_view name);

// `base` and then `path` below it, as one folded key path: split at "\",
// empty parts dropped.
std::string JoinRegistryPath(std::string_view base, std::string_view path);

// Parses an export's bytes: UTF-16LE with its byte-order mark, or UTF-8 with
// or without one; LF or CR LF line ends. False when the first line is not
// "Windows Registry Editor Version 5.00". A malformed line is skipped, and so
// are deletions ("[-Key]", "Name"=-) and sections of unknown roots.
bool ParseRegistryFile(std::string_view bytes, CRegistryKeys& keys);

// VARNOK_REGISTRY, or /etc/varnok/registry.reg when that is unset or empty.
std::string RegistryFilePath();

// Reads and parses the file at `path`. ERROR_SUCCESS, or the open or read
// error (ERROR_FILE_NOT_FOUND for a missing file, ERROR_ACCESS_DENIED for one
// that is not a regular file), or ERROR_BADDB for a file over the size limit
// or without the format's first line.
DWORD LoadRegistryFile(const std::string& path, CRegistryKeys& keys);

// Whether the folded key path exists: a section names it or a key below it
// (importing such a file creates the parents too).
bool RegistryKeyExists(const CRegistryKeys& keys, const std::string& keyPath);

// The bytes a caller of the narrow (UTF-8) or wide (UTF-16LE) form gets.
std::string RegistryValueBytes(const CRegistryValue& value, bool wide);
