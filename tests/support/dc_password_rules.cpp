#include "tests/support/dc_password_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/file_bytes.h"

CDcPasswordRules::CDcPasswordRules(const std::string& lines) {
  const char* folder = std::getenv("DC_SYSTEM_DIR");
  EXPECT_NE(folder, nullptr) << "run through dc_run.sh (the fixture DC's environment)";
  if (folder == nullptr) return;
  m_path = std::string(folder) + "/MorrowenRules.txt";
  WriteFileBytes(m_path, "LOGDIR " + m_log.Path() + "\nACTIVE 1\n" + lines);
}

CDcPasswordRules::~CDcPasswordRules() {
  if (!m_path.empty()) std::remove(m_path.c_str());
}

std::string CDcPasswordRules::Log() const { return ReadFileBytes(m_log.Path() + "/MorrowenRules.log"); }
