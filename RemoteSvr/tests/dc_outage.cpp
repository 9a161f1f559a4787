// The DC's control script (dc.env's DC_CONTROL and DC_WORKDIR) run for a
// halt and a resume.
#include "RemoteSvr/tests/dc_outage.h"

#include <cstdio>
#include <cstdlib>

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
  const std::string command = std::string("'") + script + "' " + action + " '" + workdir + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    output = "cannot run " + command;
    return false;
  }
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  return ::pclose(pipe) == 0;
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
