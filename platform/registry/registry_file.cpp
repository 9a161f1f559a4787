// Reading and parsing the registry file. Every line is untrusted: a line that
// does not parse is skipped, lengths are checked before each read, and the
// file's size is capped before anything is allocated for it.
#include "platform/registry/registry_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/base/last_error.h"
#include "platform/base/text.h"

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr char kDefaultRegistryFile[] = "/etc/varnok/registry.reg";

// ---------------------------------------------------------------- text

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (FoldAscii(text[i]) != prefix[i]) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One to `maxDigits` hex digits and nothing else.
bool ParseHexNumber(std::string_view digits, std::size_t maxDigits, std::uint32_t& number) {
  if (digits.empty() || digits.size() > maxDigits) return false;
  std::uint32_t result = 0;
  for (const char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<std::uint32_t>(digit);
  }
  number = result;
  return true;
}

// The UTF-16LE code units of `bytes`; an odd last byte is no code unit.
std::u16string Utf16LeUnits(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; bytes.size() - i >= 2; i += 2)
    units.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                          (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
  return units;
}

std::string Utf16LeBytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}


// The next line of `rest` without its LF or CR LF end.
std::string_view NextLine(std::string_view& rest) {
  const std::size_t end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The full name of a root, folded; empty for a root we do not keep.
std::string_view RootName(std::string_view folded) {
  if (folded == "hkey_local_machine" || folded == "hklm") return "hkey_local_machine";
  if (folded == "hkey_current_user" || folded == "hkcu") return "hkey_current_user";
  if (folded == "hkey_classes_root" || folded == "hkcr") return "hkey_classes_root";
  return {};
}

// ---------------------------------------------------------------- lines

struct CParseState {
  CRegistryKeys& keys;
  // Where value lines go; null after a deletion, an unknown root or a
  // malformed section line, so that their values land nowhere.
  CRegistryKeyValues* current = nullptr;
};

// `rest` begins with a double quote. Takes the quoted text, \\ and \" being
// the escapes (any other backslash is kept as it stands), and leaves `rest`
// after the closing quote; false when there is none.
bool TakeQuoted(std::string_view& rest, std::string& text) {
  std::size_t i = 1;
  while (i < rest.size()) {
    const char c = rest[i];
    if (c == '"') {
      rest.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && rest.size() - i >= 2 && (rest[i + 1] == '\\' || rest[i + 1] == '"')) {
      text.push_back(rest[i + 1]);
      i += 2;
      continue;
    }
    text.push_back(c);
    ++i;
  }
  return false;
}

// "01,02,ff": one or two hex digits per byte, blanks around them allowed; an
// empty list is no bytes.
bool ParseHexBytes(std::string_view list, std::string& bytes) {
  list = Trim(list);
  if (list.empty()) return true;
  for (;;) {
    const std::size_t comma = list.find(',');
    std::uint32_t byte = 0;
    if (!ParseHexNumber(Trim(list.substr(0, comma)), 2, byte)) return false;
    bytes.push_back(static_cast<char>(byte));
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

enum class DataKind {
  kValue,      // a value to keep
  kDeletion,   // "Name"=-, which only an import acts on
  kMalformed,  // anything else; the line is skipped
};

// The text after "=", trimmed.
DataKind ParseData(std::string_view data, CRegistryValue& value) {
  if (data.empty()) return DataKind::kMalformed;
  if (data == "-") return DataKind::kDeletion;
  if (data.front() == '"') {
    std::string text;
    if (!TakeQuoted(data, text) || !Trim(data).empty()) return DataKind::kMalformed;
    value.type = REG_SZ;
    value.data = std::move(text);
    value.data.push_back('\0');
    value.utf8 = true;
    return DataKind::kValue;
  }
  if (StartsWithFolded(data, "dword:")) {
    std::uint32_t number = 0;
    if (!ParseHexNumber(Trim(data.substr(6)), 8, number)) return DataKind::kMalformed;
    value.type = REG_DWORD;
    for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<char>((number >> shift) & 0xFF));
    return DataKind::kValue;
  }
  if (StartsWithFolded(data, "hex")) {
    data.remove_prefix(3);
    std::uint32_t type = REG_BINARY;
    if (!data.empty() && data.front() == '(') {
      const std::size_t close = data.find(')');
      if (close == std::string_view::npos || !ParseHexNumber(data.substr(1, close - 1), 8, type))
        return DataKind::kMalformed;
      data.remove_prefix(close + 1);
    }
    if (data.empty() || data.front() != ':') return DataKind::kMalformed;
    if (!ParseHexBytes(data.substr(1), value.data)) return DataKind::kMalformed;
    value.type = type;
    return DataKind::kValue;
  }
  return DataKind::kMalformed;
}

// `line` is trimmed and begins with "[".
void TakeSection(std::string_view line, CParseState& state) {
  const std::string key = RegistrySectionKey(line);
  state.current = key.empty() ? nullptr : &state.keys[key];
}

// `line` is trimmed and begins with "@" or a double quote: its name, and
// `line` left after the "=".
bool TakeValueName(std::string_view& line, std::string& name) {
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!TakeQuoted(line, name)) {
    return false;
  }
  line = TrimLeft(line);
  if (line.empty() || line.front() != '=') return false;
  line.remove_prefix(1);
  return true;
}

// `line` is trimmed and begins with "@" or a double quote.
void TakeValue(std::string_view line, CParseState& state) {
  if (state.current == nullptr) return;
  std::string name;
  if (!TakeValueName(line, name)) return;
  CRegistryValue value;
  if (ParseData(Trim(line), value) != DataKind::kValue) return;
  (*state.current)[FoldRegistryName(name)] = std::move(value);
}

void TakeLine(std::string_view line, CParseState& state) {
  line = Trim(line);
  if (line.empty() || line.front() == ';') return;
  if (line.front() == '[') {
    TakeSection(line, state);
  } else if (line.front() == '@' || line.front() == '"') {
    TakeValue(line, state);
  }
  // Anything else is no line of the format.
}

// ---------------------------------------------------------------- the file

DWORD ReadRegistryBytes(const std::string& path, std::string& bytes) {
  // Non-blocking so that a FIFO in the file's place cannot stall a reader;
  // it is refused below as not a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  DWORD status = ERROR_SUCCESS;
  struct stat info{};
  if (::fstat(fd, &info) != 0) {
    status = Win32ErrorFromErrno(errno);
  } else if (!S_ISREG(info.st_mode)) {
    status = ERROR_ACCESS_DENIED;
  } else if (static_cast<std::uintmax_t>(info.st_size) > kMaxRegistryFileBytes) {
    status = ERROR_BADDB;
  } else {
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[1 << 14];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        status = Win32ErrorFromErrno(errno);
        break;
      }
      if (n == 0) break;
      // The file may have grown since fstat.
      if (static_cast<std::size_t>(n) > kMaxRegistryFileBytes - bytes.size()) {
        status = ERROR_BADDB;
        break;
      }
      bytes.append(chunk, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return status;
}

}  // namespace

std::string FoldRegistryName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldAscii(c);
  return folded;
}

std::string ShownRegistryPath(std::string_view base, std::string_view path) {
  std::string joined;
  for (std::string_view rest : {base, path}) {
    while (!rest.empty()) {
      const std::size_t end = rest.find('\\');
      const std::string_view part = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      if (part.empty()) continue;
      if (!joined.empty()) joined.push_back('\\');
      joined.append(part);
    }
  }
  return joined;
}

std::string JoinRegistryPath(std::string_view base, std::string_view path) {
  return FoldRegistryName(ShownRegistryPath(base, path));
}

std::string DecodeRegistryText(std::string_view bytes, RegistryEncoding* encoding) {
  RegistryEncoding found = RegistryEncoding::kUtf8;
  std::string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    found = RegistryEncoding::kUtf16Le;
    text = Utf16ToUtf8(Utf16LeUnits(bytes.substr(2)));
  } else {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
      found = RegistryEncoding::kUtf8Bom;
      bytes.remove_prefix(3);
    }
    text.assign(bytes);
  }
  if (encoding != nullptr) *encoding = found;
  return text;
}

std::string EncodeRegistryText(std::string_view text, RegistryEncoding encoding) {
  switch (encoding) {
    case RegistryEncoding::kUtf16Le:
      return "\xFF\xFE" + Utf16LeBytes(Utf8ToUtf16(text));
    case RegistryEncoding::kUtf8Bom:
      return "\xEF\xBB\xBF" + std::string(text);
    case RegistryEncoding::kUtf8:
      break;
  }
  return std::string(text);
}

bool IsRegistryHeader(std::string_view line) { return TrimRight(line) == kHeader; }

std::vector<CRegistryLine> SplitRegistryLines(std::string_view text) {
  std::vector<CRegistryLine> lines;
  // A line ending in a backslash goes on in the next one, whose leading
  // blanks are dropped (the editor breaks long hex lists this way). A comment
  // never goes on, so a backslash at its end cannot swallow a value line.
  // Each step looks only at the new line and the end of the logical one, so
  // a long run of continued lines stays linear.
  std::string_view rest(text);
  std::string logical;
  std::size_t begin = 0;
  bool continued = false;
  bool comment = false;
  while (!rest.empty()) {
    const std::size_t at = text.size() - rest.size();
    const std::string_view line = NextLine(rest);
    if (continued) {
      logical.append(TrimLeft(line));
    } else {
      begin = at;
      logical.assign(line);
      const std::string_view start = TrimLeft(line);
      comment = !start.empty() && start.front() == ';';
    }
    const std::size_t body = TrimRight(logical).size();
    if (body > 0 && logical[body - 1] == '\\' && !comment) {
      logical.resize(body - 1);
      continued = true;
      continue;
    }
    continued = false;
    lines.push_back(CRegistryLine{std::move(logical), begin, text.size() - rest.size()});
    logical.clear();
  }
  if (continued) lines.push_back(CRegistryLine{std::move(logical), begin, text.size()});
  return lines;
}

std::string RegistrySectionKey(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return {};
  const std::string_view inner = line.substr(1, line.size() - 2);
  if (!inner.empty() && inner.front() == '-') return {};
  const std::string path = JoinRegistryPath({}, inner);
  const std::size_t split = path.find('\\');
  const std::string_view root = RootName(std::string_view(path).substr(0, split));
  if (root.empty()) return {};
  std::string key(root);
  if (split != std::string::npos) key.append(path, split, std::string::npos);
  return key;
}

bool RegistryValueLineName(std::string_view line, std::string& foldedName) {
  line = Trim(line);
  if (line.empty() || (line.front() != '@' && line.front() != '"')) return false;
  std::string name;
  if (!TakeValueName(line, name)) return false;
  foldedName = FoldRegistryName(name);
  return true;
}

bool ParseRegistryFile(std::string_view bytes, CRegistryKeys& keys) {
  keys.clear();
  const std::string text = DecodeRegistryText(bytes);
  std::string_view rest(text);
  if (!IsRegistryHeader(NextLine(rest))) return false;
  CParseState state{keys};
  for (const CRegistryLine& line : SplitRegistryLines(rest)) TakeLine(line.text, state);
  return true;
}

std::string RegistryFilePath() {
  const char* configured = std::getenv("VARNOK_REGISTRY");
  return (configured != nullptr && *configured != '\0') ? configured : kDefaultRegistryFile;
}

DWORD ReadRegistryFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  return ReadRegistryBytes(path, bytes);
}

DWORD LoadRegistryFile(const std::string& path, CRegistryKeys& keys) {
  keys.clear();
  std::string bytes;
  const DWORD status = ReadRegistryBytes(path, bytes);
  if (status != ERROR_SUCCESS) return status;
  return ParseRegistryFile(bytes, keys) ? ERROR_SUCCESS : ERROR_BADDB;
}

bool RegistryKeyExists(const CRegistryKeys& keys, const std::string& keyPath) {
  if (keys.count(keyPath) != 0) return true;
  // Every key below keyPath sorts from keyPath + "\" on, in one run.
  const std::string below = keyPath + '\\';
  const auto next = keys.lower_bound(below);
  return next != keys.end() && next->first.compare(0, below.size(), below) == 0;
}

std::string RegistryValueBytes(const CRegistryValue& value, bool wide) {
  if (value.utf8) return wide ? Utf16LeBytes(Utf8ToUtf16(value.data)) : value.data;
  const bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
  if (!text || wide) return value.data;
  return Utf16ToUtf8(Utf16LeUnits(value.data));
}
