// The ways a test host ends.
#include "tests/support/process_end.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::optional<CProcessEnd> ProcessEndOf(int argc, char** argv, void (*release)()) {
  if (argc > 1 && std::strcmp(argv[1], "exit-loaded") == 0) return CProcessEnd::ExitLoaded;
  if (argc > 1 && std::strcmp(argv[1], "unload-then-exit") == 0) return CProcessEnd::UnloadThenExit;
  if (argc > 1 && release != nullptr && std::strcmp(argv[1], "release-in-exit-handler") == 0) {
    if (std::atexit(release) != 0) HostFailed("cannot register the exit handler");
    return CProcessEnd::ReleaseInExitHandler;
  }
  std::fprintf(stderr, "usage: %s exit-loaded|unload-then-exit|release-in-exit-handler\n",
               argc > 0 ? argv[0] : "host");
  return std::nullopt;
}

void EndProcess(CProcessEnd end, void* module) {
  if (end == CProcessEnd::UnloadThenExit && ::dlclose(module) != 0) HostFailed(::dlerror());
  // Either other way leaves the module loaded.
  std::exit(0);
}

void HostFailed(const char* what) {
  std::fprintf(stderr, "host: %s\n", what);
  std::fflush(stderr);
  std::_Exit(1);
}
