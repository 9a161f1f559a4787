// Loads the netapi backend module with the platform's own LoadLibraryA and
// GetProcAddress, from beside the library that holds this code.
//
// Why beside the asker: the password filter library, the LSA host that
// loads it and this module are put in place as one folder (the host finds
// the filter beside itself); a path fixed when building would name the
// build tree, and nothing here installs to a fixed place.
#include "platform/netapi/netapi_backend_loader.h"

#include <dlfcn.h>
#include <link.h>

#include "platform/base/last_error.h"
#include "platform/base/library_loader.h"
#include "platform/base/module_file_name.h"
#include "platform/netapi/netapi_backend_module.h"

namespace {

// Every call answers why the module did not load.
class CUnloadedNetApiBackend : public INetApiBackend {
 public:
  explicit CUnloadedNetApiBackend(DWORD status) : m_status(status) {}
  DWORD UserGetGroups(const std::string&, const std::string&, std::vector<std::string>&) override {
    return m_status;
  }
  DWORD UserGetLocalGroups(const std::string&, const std::string&, bool, std::vector<std::string>&) override {
    return m_status;
  }
  DWORD GetDcName(const std::string&, const std::string&, DWORD, CDomainControllerInfo&) override { return m_status; }
  DWORD UserSetPassword(const std::string&, const std::string&, const std::string&, DWORD&) override {
    return m_status;
  }
  DWORD UserGetInfo(const std::string&, const std::string&, CUserRecord&) override { return m_status; }
  DWORD UserSetInfo(const std::string&, const std::string&, const CUserRecord&, DWORD&) override { return m_status; }
  DWORD UserChangePassword(const std::string&, const std::string&, const std::string&, const std::string&) override {
    return m_status;
  }
  DWORD UserChangePasswordReady(const std::string&) override { return m_status; }
  DWORD GetPrimaryDcName(const std::string&, const std::string&, std::string&) override { return m_status; }

 private:
  DWORD m_status;
};

// The folder, with its "/", of the shared library that holds this code, or
// of the program when the code is linked into it (the program's link map
// has no name).
std::string FolderOfThisCode() {
  Dl_info info{};
  link_map* map = nullptr;
  std::string path;
  if (::dladdr1(reinterpret_cast<void*>(&FolderOfThisCode), &info, reinterpret_cast<void**>(&map),
                RTLD_DL_LINKMAP) != 0 &&
      map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
    path = map->l_name;
  } else {
    char program[4096];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length > 0 && length < sizeof program) path.assign(program, length);
  }
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace

CNetApiBackendModule LoadNetApiBackendModule(const std::string& path) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) return {nullptr, GetLastError()};
  const auto entry = reinterpret_cast<NetApiBackendEntryFn>(GetProcAddress(module, kNetApiBackendEntry));
  INetApiBackend* backend = entry != nullptr ? entry() : nullptr;
  if (backend == nullptr) {
    FreeLibrary(module);
    return {nullptr, ERROR_PROC_NOT_FOUND};
  }
  return {backend, 0};
}

INetApiBackend& ModuleNetApiBackend() {
  static const CNetApiBackendModule module = LoadNetApiBackendModule(FolderOfThisCode() + kNetApiBackendModuleFile);
  if (module.backend != nullptr) return *module.backend;
  static CUnloadedNetApiBackend unloaded(module.status);
  return unloaded;
}
