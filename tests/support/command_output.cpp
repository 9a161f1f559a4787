// popen and pclose.
#include "tests/support/command_output.h"

#include <sys/wait.h>

#include <cstdio>

int RunCommand(const std::string& commandLine, std::string& output) {
  output.clear();
  std::FILE* pipe = ::popen((commandLine + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, got);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
