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

TEST_F(DirectorySettingsTest, CredentialsOthersCouldReadAreRefusedAndSayWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "the credentials file must be owned by root";
  const struct {
    mode_t mode;
    const char* refusal;
  } rows[] = {
      {0600, ""},
      {0400, ""},
      {0640, "has mode 0640: group and others may read or write it"},
      {0604, "has mode 0604: group and others may read or write it"},
      {0620, "has mode 0620: group and others may read or write it"},
  };
  for (const auto& row : rows) {
    const std::string path = Write("auth", "username = u\npassword = p\n", row.mode);
    CDirectoryCredentials account;
    std::string refusal = "untouched";
    EXPECT_EQ(ReadCredentialsFile(path, account, &refusal), *row.refusal == '\0') << std::oct << row.mode;
    EXPECT_EQ(refusal, row.refusal);
  }
  const std::string target = Write("target", "username = u\n", 0600);
  std::filesystem::create_symlink(target, dir_ + "/link");
  CDirectoryCredentials viaLink;
  std::string refusal;
  EXPECT_FALSE(ReadCredentialsFile(dir_ + "/link", viaLink, &refusal));
  EXPECT_EQ(refusal, "is not a regular file");
  CDirectoryCredentials nameless;
  EXPECT_FALSE(ReadCredentialsFile(Write("empty", "password = p\n", 0600), nameless, &refusal));
  EXPECT_EQ(refusal, "names no username");
  CDirectoryCredentials missing;
  EXPECT_FALSE(ReadCredentialsFile(dir_ + "/missing", missing, &refusal));
  EXPECT_EQ(refusal, "cannot be read: No such file or directory");
  const std::string owned = Write("owned", "username = u\n", 0600);
  ASSERT_EQ(::chown(owned.c_str(), 1234, 0), 0);
  CDirectoryCredentials foreign;
  EXPECT_FALSE(ReadCredentialsFile(owned, foreign, &refusal));
  EXPECT_EQ(refusal, "is owned by uid 1234, not by root");
}

TEST_F(DirectorySettingsTest, RefusedCredentialsFileIsReportedOnceWithoutItsContent) {
  if (::geteuid() != 0) GTEST_SKIP() << "the credentials file must be owned by root";
  const std::string credentials = Write("shared", "username = Administrator\npassword = S3cret-Value\n", 0640);
  const std::string registry = Write("registry.reg",
                                     "Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Varnok AG\\Platform]\r\n"
                                     "\"CredentialsFile\"=\"" + credentials + "\"\r\n",
                                     0644);
  ::setenv("VARNOK_REGISTRY", registry.c_str(), 1);
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) {
    CDirectoryCredentials account;
    EXPECT_FALSE(ReadDirectoryCredentials(account));
  }
  // Mended and broken again, another way: said again.
  ::chmod(credentials.c_str(), 0604);
  CDirectoryCredentials again;
  EXPECT_FALSE(ReadDirectoryCredentials(again));
  const std::string said = ::testing::internal::GetCapturedStderr();
  ::unsetenv("VARNOK_REGISTRY");
  EXPECT_EQ(said, "directory settings: CredentialsFile " + credentials +
                      " refused: it has mode 0640: group and others may read or write it; using the process's "
                      "Kerberos credentials\n"
                      "directory settings: CredentialsFile " + credentials +
                      " refused: it has mode 0604: group and others may read or write it; using the process's "
                      "Kerberos credentials\n");
  EXPECT_EQ(said.find("S3cret"), std::string::npos);
}

}  // namespace
