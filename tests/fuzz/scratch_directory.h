// A private folder under /tmp for one fuzzing process: the files a fuzz
// target hands to the code under test (a rules file, a question file, a
// token file, a registry file) and the logs that code appends to. It goes
// when the process ends normally; a crash leaves it for the artifact's
// reader.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class CScratchDirectory {
 public:
  CScratchDirectory() {
    char pattern[] = "/tmp/varnok-fuzz.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    m_path = pattern;
  }
  ~CScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  CScratchDirectory(const CScratchDirectory&) = delete;
  CScratchDirectory& operator=(const CScratchDirectory&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(std::string_view name) const { return m_path + "/" + std::string(name); }

  // Replaces the file with one that holds `bytes`: a new file, since
  // truncating one that has data makes ext4 flush it, a wait per input.
  void Write(std::string_view name, std::string_view bytes) const {
    Remove(name);
    std::ofstream(File(name), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  void Remove(std::string_view name) const { ::unlink(File(name).c_str()); }

 private:
  std::string m_path;
};
