// The registry file: a registry editor export ("Windows Registry Editor
// Version 5.00") read whole and parsed into keys and values. registry.h
// serves the Windows registry calls from what this gives; no handles here.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

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

// `base` and then `path` below it, split at "\" with empty parts dropped, in
// the letter case given: how a key is shown when a section is written.
std::string ShownRegistryPath(std::string_view base, std::string_view path);

// The same path folded: how keys are compared.
std::string JoinRegistryPath(std::string_view base, std::string_view path);

// How a file's text is stored: the registry editor writes UTF-16LE with a
// byte-order mark; files written by hand are UTF-8, perhaps with one.
enum class RegistryEncoding { kUtf8, kUtf8Bom, kUtf16Le };

// The file's bytes as UTF-8 text, and how they were encoded.
std::string DecodeRegistryText(std::string_view bytes, RegistryEncoding* encoding = nullptr);
// UTF-8 text as bytes in `encoding`.
std::string EncodeRegistryText(std::string_view text, RegistryEncoding encoding);
// Whether a line is the format's first line.
bool IsRegistryHeader(std::string_view line);

// One logical line: continued lines joined. The physical lines it was made
// of are [begin, end) of the text, with their line ends.
struct CRegistryLine {
  std::string text;
  std::size_t begin;
  std::size_t end;
};
// The logical lines of a text (its header line included, if it has one).
std::vector<CRegistryLine> SplitRegistryLines(std::string_view text);
// The folded key path a section line names; empty for a deletion ("[-Key]"),
// a root not kept, or a line that is no section.
std::string RegistrySectionKey(std::string_view line);
// The folded name ("" for "@") of a value line; false for any other line.
bool RegistryValueLineName(std::string_view line, std::string& foldedName);

// Parses an export's bytes: UTF-16LE with its byte-order mark, or UTF-8 with
// or without one; LF or CR LF line ends. False when the first line is not
// "Windows Registry Editor Version 5.00". A malformed line is skipped, and so
// are deletions ("[-Key]", "Name"=-) and sections of unknown roots.
bool ParseRegistryFile(std::string_view bytes, CRegistryKeys& keys);

// VARNOK_REGISTRY, or /etc/varnok/registry.reg when that is unset or empty.
std::string RegistryFilePath();

// The file's bytes, read as LoadRegistryFile reads them (same errors).
DWORD ReadRegistryFileBytes(const std::string& path, std::string& bytes);

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
