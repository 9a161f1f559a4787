// A command line run through the shell, its output and errors taken
// together: the tests' way of running the programs they drive.
#pragma once

#include <string>

// Runs `commandLine` (with 2>&1 appended); its exit status, or -1 when it
// did not run or did not exit normally. `output` gets everything it wrote.
int RunCommand(const std::string& commandLine, std::string& output);
