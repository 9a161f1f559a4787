// The program entry's own reading of the argument words: the log's console
// and file output and the version banner. The service frame reads the
// command line again for install, remove, usage and console mode.
#pragma once

#include <cstdint>

struct ProgramOptions {
  std::int32_t consoleOutput = 0;
  std::int32_t fileOutput = 1;
  std::int32_t banner = 0;
};

// Each word after the program's name without its first character (whatever
// it is), lower-cased: "debug" turns console output on; "version" asks for
// the banner, console output on and file output off; others are ignored. A
// later word never turns a setting back.
ProgramOptions ReadProgramOptions(int argc, const char* const* argv);

// The log's trace level for the options: 9 on the console without the
// banner, else 0.
std::int32_t DebugLevelFor(const ProgramOptions& options);
