// Registration against a registry file that cannot be written, as root
// meets one: its folder mounted read-only in a mount namespace of the test's
// own. Both calls fail with an HRESULT and leave the file byte for byte.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include "platform/base/last_error.h"
#include "webobject/tests/kestrine_fixture.h"

namespace {

class ReadOnlyRegistryTest : public CRegistryFolderTest {};

TEST_F(ReadOnlyRegistryTest, RegistrationFailsAndTheFileStaysAsItWas) {
  const CKestrineExports& dll = KestrineExports();
  WriteFileBytes(registryPath, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\Other]\r\n@=\"o\"\r\n");
  ASSERT_EQ(dll.registerServer(), S_OK);
  const std::string registered = ReadFileBytes(registryPath);

  ASSERT_EQ(::unshare(CLONE_NEWNS), 0) << "needs root";
  ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
  ASSERT_EQ(::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr), 0);
  ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr), 0);

  const HRESULT unregistered = dll.unregisterServer();
  EXPECT_TRUE(FAILED(unregistered));
  EXPECT_EQ(unregistered, HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT));
  EXPECT_EQ(ReadFileBytes(registryPath), registered);
  const HRESULT again = dll.registerServer();
  EXPECT_EQ(again, HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT));
  EXPECT_EQ(ReadFileBytes(registryPath), registered);
  ::umount(folder.c_str());
}

}  // namespace
