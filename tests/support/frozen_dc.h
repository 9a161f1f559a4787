// The fixture domain controller stopped where it stands (SIGSTOP), as a
// controller that hangs: connections to it are accepted by the kernel, and
// nothing answers. Its processes are the session that the master of
// DC_PID_FILE leads (tests/samba-dc/samba_dc.sh). A test that freezes the
// DC runs alone (RUN_SERIAL): every other DC test would hang meanwhile.
#pragma once

#include <sys/types.h>

#include <vector>

class CFrozenDc {
 public:
  // Stops every process of the DC.
  CFrozenDc();
  // Lets them go on. A helper process does the same if this process ends
  // without getting here (a crash, an abort), so the DC never stays frozen.
  ~CFrozenDc();
  CFrozenDc(const CFrozenDc&) = delete;
  CFrozenDc& operator=(const CFrozenDc&) = delete;

  // Whether any process was stopped (false: no DC found).
  bool Frozen() const { return !pids.empty(); }

 private:
  std::vector<pid_t> pids;
  pid_t guard = -1;  // the helper that thaws the DC when this process ends
  int guardPipe = -1;
};
