// The fixture DC's password rules: its check password script (tests/samba-dc)
// runs the filter with the rules file in DC_SYSTEM_DIR. A test that writes
// them holds that folder's resource lock (samba_dc_system_dir).
#pragma once

#include <string>

// Rules `lines` (each with its line end) in force while it lives, with the
// rule log in the test's temporary folder; afterwards no rules file, so the
// filter accepts every password again.
class CDcPasswordRules {
 public:
  explicit CDcPasswordRules(const std::string& lines);
  ~CDcPasswordRules();
  CDcPasswordRules(const CDcPasswordRules&) = delete;
  CDcPasswordRules& operator=(const CDcPasswordRules&) = delete;

 private:
  std::string m_path;
};
