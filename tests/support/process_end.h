// How a test host process ends with a module in it: with the module still
// loaded, as a process that ends leaves its libraries, or after unloading
// it; a host of objects may also leave their release to an exit handler of
// its own. A host reads the way from its first argument and ends through
// EndProcess.
#pragma once

#include <optional>

enum class CProcessEnd {
  ExitLoaded,      // exit with the module still loaded
  UnloadThenExit,  // dlclose the module, then exit
  // exit with the module loaded, the host's objects released by its own
  // exit handler, registered before the module was loaded
  ReleaseInExitHandler,
};

// The way named by argv[1] ("exit-loaded", "unload-then-exit" or, for a
// host that gives its `release`, "release-in-exit-handler", which registers
// `release` as an exit handler at once); none, with a line on standard
// error, for anything else. Called before the module is loaded.
std::optional<CProcessEnd> ProcessEndOf(int argc, char** argv, void (*release)() = nullptr);

// Ends the process the chosen way with status 0; `module` is the host's
// dlopen handle. A failed dlclose ends it with status 1.
[[noreturn]] void EndProcess(CProcessEnd end, void* module);

// Ends the process at once with status 1 and `what` on standard error; an
// exit handler may call it too.
[[noreturn]] void HostFailed(const char* what);
