// The writing side of the registry file, for self-registration: the file's
// text edited in place (every line that is not changed stays as it was,
// comments and layout too) and written back whole and atomically: a
// temporary file beside it, then a rename over it. registry.h serves the
// registry's write calls with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/registry/registry_file.h"

class CRegistryFileEdit {
 public:
  // Reads the file; a missing file is an empty registry, which Save creates.
  // ERROR_SUCCESS, or the errors of LoadRegistryFile (ERROR_BADDB for a file
  // without the format's first line, which is never written over).
  DWORD Load(const std::string& path);
  // Writes the text to a temporary file in the file's folder with the
  // file's mode, then renames it over the file; on any failure the file is
  // as it was and the temporary file gone. ERROR_ACCESS_DENIED when the
  // caller may not write the file itself, or the error of the step that
  // failed (ERROR_WRITE_PROTECT for a read-only file system).
  DWORD Save(const std::string& path) const;

  // Folded key paths (registry_file.h), as the reader keeps them. A key
  // exists when a section names it or a key below it.
  bool KeyExists(const std::string& key) const;
  bool HasSubkeys(const std::string& key) const;

  // A section for the key, as written (`shown`), when none names it yet.
  void CreateKey(const std::string& key, const std::string& shown);
  // Replaces every line of the value in the key's sections with `line`
  // (RegistryValueText), placed at the end of the key's last section, or of
  // a new section.
  void SetValue(const std::string& key, const std::string& shown, const std::string& name, const std::string& line);
  // False when the key has no such value.
  bool DeleteValue(const std::string& key, const std::string& name);
  // Removes the key's own sections (`tree`: and those of every key below).
  void DeleteKey(const std::string& key, bool tree);

 private:
  struct CEditLine {
    std::string raw;        // the physical lines with their line ends
    std::string valueName;  // folded, for a value line
    bool isValue = false;
  };
  struct CEditSection {
    std::string key;  // folded; empty for a section whose values the reader ignores
    std::vector<CEditLine> lines;  // the section line first
  };

  void AppendSection(const std::string& key, const std::string& shown);
  bool Below(const std::string& sectionKey, const std::string& key) const;

  RegistryEncoding encoding = RegistryEncoding::kUtf8;
  std::string lineEnd = "\r\n";
  std::string head;  // the format's first line and what precedes the first section
  std::vector<CEditSection> sections;
};

// A value line of the file: `name` ("" for the default value) and the data
// as RegSetValueExW gives it (text types in UTF-16LE). REG_SZ is written as
// quoted text unless it holds a line break or a zero, REG_DWORD of 4 bytes
// as dword:, everything else as hex(type):. False for a name the format
// cannot hold (a line break in it).
bool RegistryValueText(std::string_view name, DWORD type, std::string_view data, std::string& line);
