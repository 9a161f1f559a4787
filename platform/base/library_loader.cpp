// LoadLibraryA, GetProcAddress and FreeLibrary over dlopen and dlsym.
#include "platform/base/library_loader.h"

#include <dirent.h>
#include <dlfcn.h>

#include <cstring>

#include "platform/base/last_error.h"
#include "platform/base/system_directory.h"

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// "MSGINA.DLL" -> "msgina.so", "SCHANNEL" -> "schannel.so": the name a
// library of that Windows name has here, in lower case.
std::string LinuxLibraryName(const std::string& fileName) {
  std::string name = AsciiLower(fileName);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name + ".so";
  if (name.compare(dot, std::string::npos, ".dll") == 0) return name.substr(0, dot) + ".so";
  return name;
}

}  // namespace

std::string LibraryFileInDirectory(const std::string& directory, const std::string& fileName) {
  const std::string wanted = LinuxLibraryName(fileName);
  DIR* folder = ::opendir(directory.c_str());
  if (folder == nullptr) return {};
  std::string found;
  while (const dirent* entry = ::readdir(folder)) {
    if (AsciiLower(entry->d_name) != wanted) continue;
    found = directory + "/" + entry->d_name;
    // An exact match wins over another spelling.
    if (wanted == entry->d_name) break;
  }
  ::closedir(folder);
  return found;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string path = fileName;
  if (std::strchr(fileName, '/') == nullptr) path = LibraryFileInDirectory(SystemDirectoryPath(), fileName);
  void* handle = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  void* symbol = module != nullptr && procName != nullptr ? ::dlsym(module, procName) : nullptr;
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr || ::dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL DisableThreadLibraryCalls(HMODULE module) { return module != nullptr ? TRUE : FALSE; }
