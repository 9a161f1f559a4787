// A throw-away folder for log files and a reader of the lines in them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class LogFolder {
 public:
  LogFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnok-log-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp";
    folder = pattern;
  }
  ~LogFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  LogFolder(const LogFolder&) = delete;
  LogFolder& operator=(const LogFolder&) = delete;

  const std::string& Path() const { return folder; }

  static std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }

 private:
  std::string folder;
};
