// Names from the process id and a serial number.
#include "tests/support/dc_test_users.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

CDcTestUsers::~CDcTestUsers() { DeleteAll(); }

std::string CDcTestUsers::New(const std::string& prefix, const std::string& password) {
  static std::atomic<int> serial{0};
  const std::string name = prefix.substr(0, 12) + std::to_string(getpid() % 10000) + "x" + std::to_string(++serial);
  EXPECT_TRUE(directory.CreateUser(name, password)) << directory.lastError;
  names.push_back(name);
  return name;
}

void CDcTestUsers::DeleteAll() {
  for (const std::string& name : names) directory.DeleteUser(name);
  names.clear();
}
