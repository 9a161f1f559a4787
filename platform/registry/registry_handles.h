// The registry layer's own bookkeeping, shared by its read and write calls:
// the table of open keys (an opened key is only its path), the paths of the
// roots, and the guard that keeps exceptions from crossing the interface.
#pragma once

#include <new>
#include <string>
#include <string_view>

#include "platform/base/last_error.h"
#include "platform/registry/registry.h"

bool IsRegistryRoot(HKEY key);

// The path of a root or an opened key in the letter case it was given
// ("HKEY_CLASSES_ROOT\CLSID"); false for any other handle.
bool RegistryKeyPath(HKEY key, std::string& path);

// A new handle for `path`. Handle numbers are never reused, so a key closed
// twice stays refused.
HKEY AddOpenRegistryKey(std::string path);
// False when the handle is not open.
bool RemoveOpenRegistryKey(HKEY key);

// Nothing is thrown across the Windows interface; running out of memory is a
// status like any other.
template <class Call>
LSTATUS GuardedRegistryCall(Call call) {
  try {
    return static_cast<LSTATUS>(call());
  } catch (const std::bad_alloc&) {
    return static_cast<LSTATUS>(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return static_cast<LSTATUS>(ERROR_GEN_FAILURE);
  }
}
