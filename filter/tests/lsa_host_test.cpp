// The LSA host program on the built filter library, in a child process, as a
// domain controller's check password script runs it.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "rules/tests/rules_fixture.h"

namespace {

class LsaHostTest : public RulesFixture {
 protected:
  // Runs the host with the password on standard input; returns its exit status.
  int RunHost(const std::string& password, const std::string& account, const std::string& library = MORROWEN_LIBRARY,
              const char* fullName = nullptr) {
    WriteFile("input", password);
    std::string command = environment_ + "SAMBA_CPS_ACCOUNT_NAME='" + account + "' ";
    if (fullName != nullptr) command += "SAMBA_CPS_FULL_NAME='" + std::string(fullName) + "' ";
    command += std::string(LSA_FILTER_HOST) + " '" + library + "' <'" + dir_ + "/input' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Runs the host as RunHost does with the dynamic loader's trace on;
  // `loaded` gets every library file the process loaded.
  int RunHostTracingLoads(const std::string& password, std::set<std::string>& loaded) {
    const std::string traceDir = dir_ + "/loads";
    std::filesystem::remove_all(traceDir);
    std::filesystem::create_directory(traceDir);
    const std::string before = environment_;
    environment_ += "LD_DEBUG=files LD_DEBUG_OUTPUT='" + traceDir + "/trace' ";
    const int verdict = RunHost(password, "jsmith");
    environment_ = before;
    // One file per process: "file=NAME [0];  needed by ..." per library.
    for (const auto& trace : std::filesystem::directory_iterator(traceDir)) {
      std::ifstream in(trace.path());
      for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("file=");
        if (at != std::string::npos) loaded.insert(line.substr(at + 5, line.find(' ', at) - at - 5));
      }
    }
    return verdict;
  }

  std::string environment_;  // assignments put before the host's command
};

// A library of the directory: netapi's backend module, Samba's, OpenLDAP's,
// SASL's or Kerberos'.
bool IsDirectoryLibrary(const std::string& file) {
  for (const char* part : {"varnok_netapi_backend", "libnetapi", "samba", "libldap", "liblber", "sasl2", "krb5",
                           "gssapi", "libtalloc", "libtevent"}) {
    if (file.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST_F(LsaHostTest, ExitStatusIsTheVerdict) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nMAX_CONSEC_FULLNAME_FWD 3\n");
  EXPECT_EQ(RunHost("long enough", "jsmith"), 0);
  EXPECT_EQ(RunHost("short", "jsmith"), 1);
  EXPECT_EQ(RunHost("xx Smith xx", "jsmith", MORROWEN_LIBRARY, "John Smith"), 1);
  EXPECT_EQ(RunHost("long enough\n", "jsmith"), 0);  // the input is taken exactly
  EXPECT_EQ(RunHost("1234567\n", "jsmith"), 0);
  EXPECT_EQ(RunHost("", "jsmith"), 1);
  EXPECT_EQ(RunHost(std::string(32768, 'x'), "jsmith"), 2);
  EXPECT_EQ(RunHost("long enough", "jsmith", dir_ + "/no-such-library.so"), 2);
  EXPECT_EQ(RunHost("long enough", "jsmith", "libc.so.6"), 2);
}

TEST_F(LsaHostTest, EachRunLoadsAndUnloadsTheFilter) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\n");
  ASSERT_EQ(RunHost("short", "jsmith"), 1);
  const auto log = LogMessages();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "--- Password Filter ---");
  EXPECT_EQ(log[1], "Process attach");
  EXPECT_EQ(log[2], "--- Start ---");
  EXPECT_EQ(log[log.size() - 4], "Password Filter: rejected");
  EXPECT_EQ(log[log.size() - 2], "--- Password Filter ---");
  EXPECT_EQ(log[log.size() - 1], "Process detach");
  for (const std::string& line : log) EXPECT_EQ(line.find("short"), std::string::npos) << line;
}

TEST_F(LsaHostTest, OnlyACheckThatLooksUpGroupsLoadsTheDirectoryLibraries) {
  // A controller that nobody answers at: the look-up fails at once, and the
  // rules judge the password.
  WriteFile("registry.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Platform]\r\n"
            "\"LocalDomainController\"=\"127.0.0.2\"\r\n");
  // No Kerberos tickets of the machine's; and for a sanitizer-built host,
  // Samba's own leaks are not the filter's.
  environment_ = "VARNOK_REGISTRY='" + dir_ + "/registry.reg' KRB5CCNAME='FILE:" + dir_ +
                 "/no-tickets' LSAN_OPTIONS=suppressions='" SAMBA_LSAN_SUPPRESSIONS "' ";
  const struct {
    const char* rules;
    const char* password;
    int verdict;
    bool looksUpGroups;
  } cases[] = {
      {"ACTIVE 1\nMIN_LENGTH 8\n", "long enough", 0, false},
      {"ACTIVE 1\nMIN_LENGTH 8\n", "short", 1, false},
      {"ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_USER jsmith\n", "short", 0, false},
      {"ACTIVE 0\nEXCLUDE_GROUP Domain Admins\n", "short", 0, false},
      {"ACTIVE 1\nMIN_LENGTH 8\nEXCLUDE_GROUP Domain Admins\n", "short", 1, true},
  };
  for (const auto& c : cases) {
    WriteRules(c.rules);
    std::set<std::string> loaded;
    EXPECT_EQ(RunHostTracingLoads(c.password, loaded), c.verdict) << c.rules;
    ASSERT_TRUE(std::any_of(loaded.begin(), loaded.end(),
                            [](const std::string& file) { return file.find("libMorrowen") != std::string::npos; }))
        << "the loader's trace holds no filter library";
    std::set<std::string> directory;
    for (const std::string& file : loaded)
      if (IsDirectoryLibrary(file)) directory.insert(file);
    if (c.looksUpGroups) {
      // The module beside the filter, and Samba's library with it.
      const std::string module = std::filesystem::path(MORROWEN_LIBRARY).parent_path() / "varnok_netapi_backend.so";
      EXPECT_TRUE(directory.count(module)) << c.rules;
      EXPECT_TRUE(directory.count("libnetapi.so.1")) << c.rules;
    } else {
      std::string names;
      for (const std::string& file : directory) names += file + " ";
      EXPECT_EQ(names, "") << c.rules;
    }
  }
}

}  // namespace
