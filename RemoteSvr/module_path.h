// The running program's path cut into its folder and file name, from
// GetModuleFileNameA (platform/base/module_file_name.h). The token file lies
// beside the program (config_map.h).
#pragma once

#include <string>

class CModulePath {
 public:
  // Reads the running program's path.
  CModulePath();
  // Cuts a given path, as for the running program.
  explicit CModulePath(const std::string& path);

  // Text before the last "/"; empty when there is none (then fileName is
  // empty too) or when the path could not be read.
  std::string directory;
  // Text after the last "/".
  std::string fileName;
  // The whole path; empty when it could not be read.
  std::string fullPath;

 private:
  void Split();
};
