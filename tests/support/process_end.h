// How a test host process ends with a module in it: with the module still
// loaded, as a process that ends leaves its libraries, or after unloading
// it. A host reads the way from its first argument and ends through
// EndProcess, which says on standard error what failed.
#pragma once

#include <optional>

enum class CProcessEnd {
  ExitLoaded,      // exit with the module still loaded
  UnloadThenExit,  // dlclose the module, then exit
};

// The way named by argv[1] ("exit-loaded" or "unload-then-exit"); none, with
// a line on standard error, for anything else.
std::optional<CProcessEnd> ProcessEndOf(int argc, char** argv);

// Ends the process the chosen way with status 0; `module` is the host's
// dlopen handle. A failed dlclose ends it with status 1.
[[noreturn]] void EndProcess(CProcessEnd end, void* module);

// Ends the process with status 1 and `what` on standard error.
[[noreturn]] void HostFailed(const char* what);
