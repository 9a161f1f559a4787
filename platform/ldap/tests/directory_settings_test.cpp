#include "platform/ldap/directory_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class DirectorySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/directory_settings.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& content, mode_t mode) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << content;
    ::chmod(path.c_str(), mode);
    return path;
  }
  std::string dir_;
};

TEST_F(DirectorySettingsTest, PlatformKeyNamesTheControllerAndTheCredentials) {
  const std::string credentials =
      Write("credentials", "username = Administrator\npassword =  S3cret = with equals \ndomain=TEST\n", 0600);
  const std::string registry = Write("registry.reg",
                                     "Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Varnok AG\\Platform]\r\n"
                                     "\"LocalDomainController\"=\"dc1.test.lan\"\r\n"
                                     "\"CredentialsFile\"=\"" + credentials + "\"\r\n",
                                     0644);
  ::setenv("VARNOK_REGISTRY", registry.c_str(), 1);
  EXPECT_EQ(LocalDomainController(), "dc1.test.lan");
  CDirectoryCredentials account;
  if (::geteuid() != 0) GTEST_SKIP() << "the credentials file must be owned by root";
  ASSERT_TRUE(ReadDirectoryCredentials(account));
  EXPECT_EQ(account.userName, "Administrator");
  EXPECT_EQ(account.password, "S3cret = with equals");
  EXPECT_EQ(account.domain, "TEST");

  ::setenv("VARNOK_REGISTRY", (dir_ + "/missing.reg").c_str(), 1);
  EXPECT_EQ(LocalDomainController(), "");
  CDirectoryCredentials none;
  EXPECT_FALSE(ReadDirectoryCredentials(none));
  ::unsetenv("VARNOK_REGISTRY");
}

TEST_F(DirectorySettingsTest, CredentialsOthersCouldReadAreRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "the credentials file must be owned by root";
  const std::pair<mode_t, bool> rows[] = {{0600, true}, {0400, true}, {0640, false}, {0604, false}, {0620, false}};
  for (const auto& [mode, accepted] : rows) {
    const std::string path = Write("auth", "username = u\npassword = p\n", mode);
    CDirectoryCredentials account;
    EXPECT_EQ(ReadCredentialsFile(path, account), accepted) << std::oct << mode;
  }
  const std::string target = Write("target", "username = u\n", 0600);
  std::filesystem::create_symlink(target, dir_ + "/link");
  CDirectoryCredentials viaLink;
  EXPECT_FALSE(ReadCredentialsFile(dir_ + "/link", viaLink));
  CDirectoryCredentials nameless;
  EXPECT_FALSE(ReadCredentialsFile(Write("empty", "password = p\n", 0600), nameless));
}

}  // namespace
