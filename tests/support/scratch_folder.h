// A throw-away folder of a test's own under the temporary folder, removed
// with everything in it when the object goes.
#pragma once

#include <string>

class ScratchFolder {
 public:
  // The folder's name starts with `prefix`; a failure to make it fails the
  // test that asked.
  explicit ScratchFolder(const std::string& prefix = "varnok-test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return folder; }

 private:
  std::string folder;
};
