// CModulePath: the program's path from /proc/self/exe, cut at its last "/".
#include "RemoteSvr/module_path.h"

#include <limits.h>

#include "platform/base/module_file_name.h"

CModulePath::CModulePath() {
  // A cut path would name a wrong folder, so take Linux's whole path length
  // rather than MAX_PATH.
  char path[PATH_MAX + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return;
  fullPath.assign(path, length);
  Split();
}

CModulePath::CModulePath(const std::string& path) : fullPath(path) { Split(); }

void CModulePath::Split() {
  const std::size_t slash = fullPath.rfind('/');
  if (slash == std::string::npos) return;
  directory = fullPath.substr(0, slash);
  fileName = fullPath.substr(slash + 1);
}
