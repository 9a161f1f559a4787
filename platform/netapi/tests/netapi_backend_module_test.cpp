// The backend module as a program that links no backend in loads it: what
// a file that is not the module answers, and that Samba's and LDAP's
// libraries come into the process with the module and not before.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/base/library_loader.h"
#include "platform/netapi/netapi.h"
#include "platform/netapi/netapi_backend_loader.h"

namespace {

// Whether a file whose name holds `name` is mapped into this process.
bool IsMapped(const std::string& name) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find(name) != std::string::npos) return true;
  return false;
}

TEST(NetApiBackendModuleTest, AFileThatIsNotTheModuleAnswersWhy) {
  const struct {
    std::string path;
    DWORD status;
  } cases[] = {
      {"/nonexistent/varnok_netapi_backend.so", ERROR_MOD_NOT_FOUND},
      {LOADABLE_LIBRARY, ERROR_PROC_NOT_FOUND},  // a library without the backend's export
  };
  for (const auto& c : cases) {
    const CNetApiBackendModule loaded = LoadNetApiBackendModule(c.path);
    EXPECT_EQ(loaded.backend, nullptr) << c.path;
    EXPECT_EQ(loaded.status, c.status) << c.path;
  }
}

TEST(NetApiBackendModuleTest, SambaAndLdapComeWithTheModuleOnly) {
  // No controller configured: the answers below need no network.
  ::setenv("VARNOK_REGISTRY", "/nonexistent/registry.reg", 1);
  for (const char* library : {"libnetapi", "libldap", "liblber", "libsmb", "samba"})
    ASSERT_FALSE(IsMapped(library)) << library << " is loaded before the module";

  const CNetApiBackendModule loaded = LoadNetApiBackendModule(NETAPI_BACKEND_MODULE);
  ASSERT_NE(loaded.backend, nullptr) << loaded.status;
  EXPECT_EQ(loaded.status, 0u);
  EXPECT_TRUE(IsMapped("libnetapi"));
  EXPECT_TRUE(IsMapped("libldap"));

  // Calls and their texts cross into the module and back.
  CDomainControllerInfo info;
  EXPECT_EQ(loaded.backend->GetDcName("", "", 0, info), ERROR_NO_SUCH_DOMAIN);
  std::vector<std::string> groups;
  EXPECT_EQ(loaded.backend->UserGetLocalGroups("", "jsmith", true, groups), ERROR_BAD_NETPATH);

  // A second load is the same module with the same backend.
  EXPECT_EQ(LoadNetApiBackendModule(NETAPI_BACKEND_MODULE).backend, loaded.backend);
  ::unsetenv("VARNOK_REGISTRY");
}

}  // namespace
