// The fixture DC's password rules: its check password script (tests/samba-dc)
// runs the filter with the rules file in DC_SYSTEM_DIR. A test that writes
// them holds that folder's resource lock (samba_dc_system_dir).
#pragma once

#include <string>

#include "tests/support/scratch_folder.h"

// Rules `lines` (each with its line end) in force while it lives, with the
// rule log in a folder of its own; afterwards no rules file, so the filter
// accepts every password again.
class CDcPasswordRules {
 public:
  explicit CDcPasswordRules(const std::string& lines);
  ~CDcPasswordRules();
  CDcPasswordRules(const CDcPasswordRules&) = delete;
  CDcPasswordRules& operator=(const CDcPasswordRules&) = delete;

  // What the filter logged under these rules so far.
  std::string Log() const;

 private:
  ScratchFolder m_log{"dc-rules"};
  std::string m_path;
};
