// Stopping the fixture DC (tests/samba-dc) under a running test and starting
// it again, its domain and settings kept. A test that does so holds the
// DC's resource lock, so no other DC test runs meanwhile.
#pragma once

#include <string>

// Halts the DC while it lives; the DC runs again when it goes, whatever
// the test did.
class CDcOutage {
 public:
  CDcOutage();
  ~CDcOutage();
  CDcOutage(const CDcOutage&) = delete;
  CDcOutage& operator=(const CDcOutage&) = delete;

  // Whether the DC was halted.
  bool Halted() const { return m_halted; }
  // Starts the DC again now; true once it takes logons.
  bool End();

  // What the DC's control script said when it failed.
  std::string lastError;

 private:
  bool m_halted = false;
};
