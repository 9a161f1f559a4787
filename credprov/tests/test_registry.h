// A registry file of the test's own: a throw-away folder whose registry.reg
// VARNOK_REGISTRY names while the object lives.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

class CTestRegistry {
 public:
  CTestRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "credprov-registry-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp";
    folder = pattern;
    path = folder + "/registry.reg";
    setenv("VARNOK_REGISTRY", path.c_str(), 1);
  }
  ~CTestRegistry() {
    unsetenv("VARNOK_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  CTestRegistry(const CTestRegistry&) = delete;
  CTestRegistry& operator=(const CTestRegistry&) = delete;

  // The file: the format's first line, the product key with `productValues`
  // (lines "\"Name\"=..." each ending in a line break) and, when given, the
  // LogonUI key with `logonUiValues`.
  void Write(const std::string& productValues, const std::string& logonUiValues = "") const {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n" +
                       productValues + "\r\n";
    if (!logonUiValues.empty()) {
      text += "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\LogonUI]\r\n" +
              logonUiValues;
    }
    WriteText(text);
  }
  // The file's whole text.
  void WriteText(const std::string& text) const { std::ofstream(path, std::ios::binary | std::ios::trunc) << text; }
  void Remove() const { std::filesystem::remove(path); }
  // The throw-away folder, for the test's other files.
  const std::string& Folder() const { return folder; }

 private:
  std::string folder;
  std::string path;
};
