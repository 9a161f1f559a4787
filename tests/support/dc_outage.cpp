// The DC's control script (dc.env's DC_CONTROL and DC_WORKDIR) run for a
// halt and a resume.
#include "tests/support/dc_outage.h"

#include <cstdlib>

#include "tests/support/command_output.h"

namespace {

// Runs `samba_dc.sh ACTION WORKDIR`; its output when it fails.
bool Control(const char* action, std::string& output) {
  const char* script = std::getenv("DC_CONTROL");
  const char* workdir = std::getenv("DC_WORKDIR");
  output.clear();
  if (script == nullptr || workdir == nullptr) {
    output = "no DC_CONTROL or DC_WORKDIR: run through dc_run.sh";
    return false;
  }
  return RunCommand(std::string("'") + script + "' " + action + " '" + workdir + "'", output) == 0;
}

}  // namespace

CDcOutage::CDcOutage() {
  std::string output;
  m_halted = Control("halt", output);
  if (!m_halted) lastError = output;
}

CDcOutage::~CDcOutage() { End(); }

bool CDcOutage::End() {
  std::string output;
  // Resuming a DC that runs does nothing, so a failed halt is covered too.
  const bool running = Control("resume", output);
  if (!running) lastError = output;
  m_halted = !running;
  return running;
}
