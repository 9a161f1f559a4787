// ReadProgramOptions and the debug level.
#include "RemoteSvr/program_options.h"

#include <string>

#include "platform/base/text.h"

ProgramOptions ReadProgramOptions(int argc, const char* const* argv) {
  ProgramOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i] == nullptr || argv[i][0] == '\0' ? std::string() : LowerCase(argv[i] + 1);
    if (word == "debug") {
      options.consoleOutput = 1;
    } else if (word == "version") {
      options.banner = 1;
      options.consoleOutput = 1;
      options.fileOutput = 0;
    }
  }
  return options;
}

std::int32_t DebugLevelFor(const ProgramOptions& options) {
  return options.consoleOutput && !options.banner ? 9 : 0;
}
