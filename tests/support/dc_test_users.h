// The accounts one test makes on the fixture DC (dc_directory.h), named
// uniquely for this process and deleted when the object goes.
#pragma once

#include <string>
#include <vector>

#include "tests/support/dc_directory.h"

class CDcTestUsers {
 public:
  explicit CDcTestUsers(CDcDirectory& directory) : directory(directory) {}
  ~CDcTestUsers();
  CDcTestUsers(const CDcTestUsers&) = delete;
  CDcTestUsers& operator=(const CDcTestUsers&) = delete;

  // A new enabled account with this password, its name `prefix` (at most 12
  // characters of it: sAMAccountName holds 20) and a number unique to this
  // run; a failure to make it fails the test.
  std::string New(const std::string& prefix, const std::string& password);
  // Deletes the accounts made so far.
  void DeleteAll();

 private:
  CDcDirectory& directory;
  std::vector<std::string> names;
};
