// Editing the registry file's text and writing it back atomically.
#include "platform/registry/registry_file_edit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/base/last_error.h"
#include "platform/base/text.h"

namespace {

std::string_view TrimmedStart(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  return line;
}

bool EndsLine(const std::string& raw) { return !raw.empty() && raw.back() == '\n'; }

// `text` in double quotes with \ and " escaped, as the reader takes them.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted.push_back('\\');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

std::string HexList(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string list;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) list.push_back(',');
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    list.push_back(kDigits[byte >> 4]);
    list.push_back(kDigits[byte & 0xF]);
  }
  return list;
}

// The UTF-16 text of REG_SZ data without its terminating zero.
std::u16string TextOf(std::string_view data) {
  std::u16string text;
  for (std::size_t i = 0; data.size() - i >= 2; i += 2)
    text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(data[i]) |
                                         static_cast<std::uint8_t>(data[i + 1]) << 8));
  if (!text.empty() && text.back() == 0) text.pop_back();
  return text;
}

DWORD WriteAll(int fd, const std::string& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Win32ErrorFromErrno(errno);
    at += static_cast<std::size_t>(n);
  }
  return ERROR_SUCCESS;
}

}  // namespace

bool RegistryValueText(std::string_view name, DWORD type, std::string_view data, std::string& line) {
  if (name.find_first_of("\r\n") != std::string_view::npos) return false;
  line = name.empty() ? "@" : Quoted(name);
  line += '=';
  if (type == REG_SZ) {
    const std::u16string text = TextOf(data);
    if (text.find_first_of(u"\r\n") == std::u16string::npos && text.find(u'\0') == std::u16string::npos) {
      line += Quoted(Utf16ToUtf8(text));
      return true;
    }
  }
  if (type == REG_DWORD && data.size() == 4) {
    char number[16];
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(data[static_cast<std::size_t>(i)]);
    std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(value));
    line += number;
    return true;
  }
  if (type == REG_BINARY) {
    line += "hex:";
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    line += prefix;
  }
  line += HexList(data);
  return true;
}

DWORD CRegistryFileEdit::Load(const std::string& path) {
  head.clear();
  sections.clear();
  std::string bytes;
  const DWORD status = ReadRegistryFileBytes(path, bytes);
  if (status == ERROR_FILE_NOT_FOUND) {
    encoding = RegistryEncoding::kUtf8;
    lineEnd = "\r\n";
    head = "Windows Registry Editor Version 5.00" + lineEnd;
    return ERROR_SUCCESS;
  }
  if (status != ERROR_SUCCESS) return status;
  const std::string text = DecodeRegistryText(bytes, &encoding);
  const std::vector<CRegistryLine> lines = SplitRegistryLines(text);
  if (lines.empty() || !IsRegistryHeader(lines.front().text)) return ERROR_BADDB;
  const std::size_t firstEnd = text.find('\n');
  lineEnd = (firstEnd != std::string::npos && firstEnd > 0 && text[firstEnd - 1] == '\r') ? "\r\n" : "\n";
  for (const CRegistryLine& line : lines) {
    CEditLine edit;
    edit.raw = text.substr(line.begin, line.end - line.begin);
    const std::string_view start = TrimmedStart(line.text);
    if (&line != &lines.front() && !start.empty() && start.front() == '[') {
      sections.push_back(CEditSection{RegistrySectionKey(line.text), {std::move(edit)}});
    } else if (sections.empty()) {
      head += edit.raw;
    } else {
      edit.isValue = RegistryValueLineName(line.text, edit.valueName);
      sections.back().lines.push_back(std::move(edit));
    }
  }
  return ERROR_SUCCESS;
}

DWORD CRegistryFileEdit::Save(const std::string& path) const {
  std::string text = head;
  for (const CEditSection& section : sections)
    for (const CEditLine& line : section.lines) text += line.raw;
  const std::string bytes = EncodeRegistryText(text, encoding);

  // Renaming needs only the folder's permission; the file's own decides.
  mode_t mode = 0644;
  struct stat info{};
  if (::stat(path.c_str(), &info) == 0) {
    if (::access(path.c_str(), W_OK) != 0) return errno == EROFS ? ERROR_WRITE_PROTECT : ERROR_ACCESS_DENIED;
    mode = info.st_mode & 07777;
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  DWORD status = WriteAll(fd, bytes);
  if (status == ERROR_SUCCESS && ::fchmod(fd, mode) != 0) status = Win32ErrorFromErrno(errno);
  if (status == ERROR_SUCCESS && ::fsync(fd) != 0) status = Win32ErrorFromErrno(errno);
  if (::close(fd) != 0 && status == ERROR_SUCCESS) status = Win32ErrorFromErrno(errno);
  if (status == ERROR_SUCCESS && ::rename(temporary.c_str(), path.c_str()) != 0) status = Win32ErrorFromErrno(errno);
  if (status != ERROR_SUCCESS) ::unlink(temporary.c_str());
  return status;
}

bool CRegistryFileEdit::Below(const std::string& sectionKey, const std::string& key) const {
  return sectionKey.size() > key.size() && sectionKey.compare(0, key.size(), key) == 0 &&
         sectionKey[key.size()] == '\\';
}

bool CRegistryFileEdit::KeyExists(const std::string& key) const {
  for (const CEditSection& section : sections)
    if (!section.key.empty() && (section.key == key || Below(section.key, key))) return true;
  return false;
}

bool CRegistryFileEdit::HasSubkeys(const std::string& key) const {
  for (const CEditSection& section : sections)
    if (!section.key.empty() && Below(section.key, key)) return true;
  return false;
}

void CRegistryFileEdit::AppendSection(const std::string& key, const std::string& shown) {
  std::string& last = sections.empty() ? head : sections.back().lines.back().raw;
  if (!last.empty() && !EndsLine(last)) last += lineEnd;
  // A blank line before it, as the editor writes sections.
  sections.push_back(CEditSection{key, {CEditLine{lineEnd + "[" + shown + "]" + lineEnd, {}, false}}});
}

void CRegistryFileEdit::CreateKey(const std::string& key, const std::string& shown) {
  if (!KeyExists(key)) AppendSection(key, shown);
}

void CRegistryFileEdit::SetValue(const std::string& key, const std::string& shown, const std::string& name,
                                 const std::string& line) {
  DeleteValue(key, name);
  CEditSection* target = nullptr;
  for (CEditSection& section : sections)
    if (section.key == key) target = &section;
  if (target == nullptr) {
    AppendSection(key, shown);
    target = &sections.back();
  }
  // After the section's last value, or after the section line.
  std::size_t at = 1;
  for (std::size_t i = 1; i < target->lines.size(); ++i)
    if (target->lines[i].isValue) at = i + 1;
  std::string& before = target->lines[at - 1].raw;
  if (!EndsLine(before)) before += lineEnd;
  CEditLine value{line + lineEnd, name, true};
  target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(value));
}

bool CRegistryFileEdit::DeleteValue(const std::string& key, const std::string& name) {
  bool removed = false;
  for (CEditSection& section : sections) {
    if (section.key != key) continue;
    for (std::size_t i = section.lines.size(); i-- > 1;) {
      if (section.lines[i].isValue && section.lines[i].valueName == name) {
        section.lines.erase(section.lines.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      }
    }
  }
  return removed;
}

void CRegistryFileEdit::DeleteKey(const std::string& key, bool tree) {
  std::erase_if(sections, [&](const CEditSection& section) {
    return !section.key.empty() && (section.key == key || (tree && Below(section.key, key)));
  });
}
