// A loaded file's path from an address in its code, through the dynamic
// linker's own record of what it loaded.
#include <dlfcn.h>
#include <stdlib.h>

#include "platform/base/module_file_name.h"

std::string ModulePathOfAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || ::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  // The linker keeps the name the library was opened by, which may be relative.
  char* full = ::realpath(info.dli_fname, nullptr);
  if (full == nullptr) return {};
  std::string path(full);
  ::free(full);
  return path;
}

HMODULE ModuleHandleOfAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || ::dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}
