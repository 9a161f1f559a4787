// LoadLibraryA over dlopen: bare names from the system directory in any
// case with ".DLL" for ".so", paths as they are, and the failure codes.
#include "platform/base/library_loader.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/base/last_error.h"

namespace {

class LibraryLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/library_loader.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::filesystem::copy_file(LOADABLE_LIBRARY, dir_ + "/testlib.so");
    ::setenv("VARNOK_SYSTEM_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("VARNOK_SYSTEM_DIR");
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

TEST_F(LibraryLoaderTest, BareNamesComeFromTheSystemDirectoryIgnoringCase) {
  for (const char* name : {"TESTLIB.DLL", "testlib.dll", "TestLib", "testlib.so", LOADABLE_LIBRARY}) {
    HMODULE module = LoadLibraryA(name);
    ASSERT_NE(module, nullptr) << name;
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "LoadableLibraryAnswer"));
    ASSERT_NE(answer, nullptr) << name;
    EXPECT_EQ(answer(), 42);
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST_F(LibraryLoaderTest, FailuresSayWhatWasMissing) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("MISSING.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // A file of that name that is no library.
  std::filesystem::copy_file("/etc/hostname", dir_ + "/notalib.so");
  EXPECT_EQ(LoadLibraryA("NOTALIB.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  HMODULE module = LoadLibraryA("TESTLIB.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(nullptr));
}

}  // namespace
