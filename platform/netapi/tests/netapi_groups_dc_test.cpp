// A user's global groups on the fixture DC (run through dc_run.sh): the
// layer asks the directory, and answers the names, in the order, that
// Samba's libnetapi gets from the DC's SAM server (libnetapi_client).
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command_output.h"
#include "tests/support/dc_directory.h"
#include "tests/support/dc_test_users.h"
#include "platform/netapi/netapi.h"
#include "platform/base/text.h"

namespace {

// groupType values: security groups of each scope, and a distribution group.
constexpr const char* kGlobal = "-2147483646";
constexpr const char* kUniversal = "-2147483640";
constexpr const char* kDomainLocal = "-2147483644";
constexpr const char* kDistribution = "2";

// The groups one test makes, named uniquely for this run (with a blank, as
// administrators name them), deleted when it goes.
class CTestGroups {
 public:
  explicit CTestGroups(CDcDirectory& directory) : m_directory(directory) {}
  ~CTestGroups() {
    for (const std::string& name : m_names) m_directory.DeleteEntry(CDcDirectory::UserDn(name));
  }
  CTestGroups(const CTestGroups&) = delete;
  CTestGroups& operator=(const CTestGroups&) = delete;

  std::string New(const std::string& prefix, const char* groupType) {
    const std::string name = "na " + prefix + " " + std::to_string(getpid() % 100000);
    EXPECT_TRUE(m_directory.CreateGroup(name, groupType)) << m_directory.lastError;
    m_names.push_back(name);
    return name;
  }

 private:
  CDcDirectory& m_directory;
  std::vector<std::string> m_names;
};

class NetApiGroupsDcTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(DcSettings().address.empty()) << "run through dc_run.sh"; }

  // The layer's answer for the local computer (the DC).
  static std::vector<std::string> LayerGroups(const std::string& user) {
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status =
        NetUserGetGroups(nullptr, Utf8ToUtf16(user).c_str(), 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total);
    EXPECT_EQ(status, NERR_Success) << user;
    EXPECT_EQ(read, total);
    std::vector<std::string> names;
    const auto* groups = reinterpret_cast<const GROUP_USERS_INFO_0*>(buffer);
    for (DWORD i = 0; groups != nullptr && i < read; ++i) names.push_back(Utf16ToUtf8(groups[i].grui0_name));
    NetApiBufferFree(buffer);
    return names;
  }

  // What libnetapi itself answers, over SAMR.
  static std::vector<std::string> LibnetapiGroups(const std::string& user) {
    std::string output;
    EXPECT_EQ(RunCommand(std::string(LIBNETAPI_CLIENT) + " " + DcSettings().address + " groups '" + user + "'", output),
              0)
        << output;
    std::vector<std::string> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) names.push_back(line);
    return names;
  }

  // The primary group first, the others in any order.
  static std::vector<std::string> Canonical(std::vector<std::string> names) {
    if (names.size() > 1) std::sort(names.begin() + 1, names.end());
    return names;
  }

  CDcDirectory directory;
  CDcTestUsers users{directory};
};

TEST_F(NetApiGroupsDcTest, PrimaryGroupThenDirectSecurityGroupsOfGlobalAndUniversalScope) {
  CTestGroups groups(directory);
  const std::string user = users.New("nagroups", "Start-Passw0rd");
  const std::string global = groups.New("global", kGlobal);
  const std::string universal = groups.New("universal", kUniversal);
  const std::string local = groups.New("local", kDomainLocal);
  const std::string distribution = groups.New("distribution", kDistribution);
  const std::string outer = groups.New("outer", kGlobal);
  for (const std::string& group : {global, universal, local, distribution})
    ASSERT_TRUE(directory.AddMember(group, CDcDirectory::UserDn(user))) << group << directory.lastError;
  // Only direct memberships: the user is in `outer` through `global` alone.
  ASSERT_TRUE(directory.AddMember(outer, CDcDirectory::UserDn(global))) << directory.lastError;

  const std::vector<std::string> expected = Canonical({"Domain Users", global, universal});
  EXPECT_EQ(Canonical(LayerGroups(user)), expected);
  EXPECT_EQ(Canonical(LibnetapiGroups(user)), expected);

  // A user in no group has its primary group.
  const std::string lone = users.New("nalone", "Start-Passw0rd");
  EXPECT_EQ(LayerGroups(lone), std::vector<std::string>{"Domain Users"});
  EXPECT_EQ(LibnetapiGroups(lone), std::vector<std::string>{"Domain Users"});

  // Another primary group: the RID of primaryGroupID names it, and it is
  // listed first whatever became of the memberships.
  std::vector<std::string> sid;
  ASSERT_TRUE(directory.ReadValues(CDcDirectory::UserDn(global), "objectSid", sid)) << directory.lastError;
  ASSERT_EQ(sid.size(), 1u);
  ASSERT_GE(sid.front().size(), 12u);
  const auto byte = [&](std::size_t fromEnd) {
    return static_cast<unsigned long>(static_cast<unsigned char>(sid.front()[sid.front().size() - fromEnd]));
  };
  const unsigned long rid = byte(4) | byte(3) << 8 | byte(2) << 16 | byte(1) << 24;
  ASSERT_TRUE(directory.SetAttribute(user, "primaryGroupID", std::to_string(rid))) << directory.lastError;
  const std::vector<std::string> layer = LayerGroups(user);
  ASSERT_FALSE(layer.empty());
  EXPECT_EQ(layer.front(), global);
  EXPECT_EQ(Canonical(layer), Canonical(LibnetapiGroups(user)));
  // A group that is someone's primary group cannot be deleted.
  users.DeleteAll();
}

TEST_F(NetApiGroupsDcTest, UnknownUserHasNoGroups) {
  LPBYTE buffer = nullptr;
  DWORD read = 7, total = 7;
  for (const char* name : {"naghost", "*"}) {
    EXPECT_EQ(NetUserGetGroups(nullptr, Utf8ToUtf16(name).c_str(), 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total),
              NERR_UserNotFound)
        << name;
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(read, 0u);
  }
}

}  // namespace
