// Unit names, the unit file written and read back, and the program text of
// an installed service split into words.
#include "platform/service/service_unit_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include <string>

namespace {

TEST(ServiceUnitFile, NamesAreEscapedForSystemd) {
  const struct {
    const char* service;
    const char* unit;
  } cases[] = {
      {"VNK Pellucor", "VNK\\x20Pellucor"},
      {"a-b@c.d", "a\\x2db\\x40c.d"},
      {".hidden", "\\x2ehidden"},
      {"x:y_z9", "x:y_z9"},
      {"\xc3\xa9t\xc3\xa9", "\\xc3\\xa9t\\xc3\\xa9"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapedUnitName(c.service), c.unit) << c.service;

  EXPECT_TRUE(IsValidServiceName("VNK Pellucor"));
  for (const char* bad : {"", "a/b", "a\\b", "line\nend", "tab\there"}) EXPECT_FALSE(IsValidServiceName(bad)) << bad;
  // Every blank takes four bytes in the unit name, which must fit 255.
  EXPECT_TRUE(IsValidServiceName(std::string(247, 'a')));
  EXPECT_FALSE(IsValidServiceName(std::string(248, 'a')));
  EXPECT_FALSE(IsValidServiceName(std::string(70, ' ')));
}

TEST(ServiceUnitFile, WrittenTextReadsBackWordForWord) {
  ServiceUnit unit;
  unit.description = "VNK 100% Pellucor";
  unit.command = {"/opt/my apps/Pellucor", "-x", "say \"hi\"", "back\\slash", "$HOME", "50%", ""};
  unit.user = "svc";
  unit.environment = {{"VARNOK_SERVICE_NAME", "VNK Pellucor"}, {"VARNOK_REGISTRY", "/etc/a b/$x%.reg"}};
  unit.autoStart = true;
  std::string text;
  ASSERT_TRUE(FormatUnitFile(unit, text));
  EXPECT_NE(text.find("\nType=notify\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nDescription=VNK 100%% Pellucor\n"), std::string::npos) << text;
  // systemd would expand "$HOME" and "%" without the doubling.
  EXPECT_NE(text.find("\nExecStart=\"/opt/my apps/Pellucor\" \"-x\" \"say \\\"hi\\\"\" \"back\\\\slash\" \"$$HOME\" "
                      "\"50%%\" \"\"\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\nUser=svc\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nEnvironment=\"VARNOK_REGISTRY=/etc/a b/$x%%.reg\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[Install]\nWantedBy=multi-user.target\n"), std::string::npos) << text;

  ServiceUnit back;
  ASSERT_TRUE(ParseUnitFile(text, back));
  EXPECT_EQ(back.description, unit.description);
  EXPECT_EQ(back.command, unit.command);
  EXPECT_EQ(back.user, unit.user);
  EXPECT_EQ(back.environment, unit.environment);
  EXPECT_TRUE(back.autoStart);
}

TEST(ServiceUnitFile, RefusesTextsThatWouldWriteLinesOfTheirOwn) {
  ServiceUnit unit;
  unit.command = {"/bin/prog"};
  std::string text;
  ASSERT_TRUE(FormatUnitFile(unit, text));
  EXPECT_EQ(text.find("User="), std::string::npos);
  EXPECT_EQ(text.find("[Install]"), std::string::npos);
  for (auto change : {+[](ServiceUnit& u) { u.description = "x\nExecStartPre=/bin/evil"; },
                      +[](ServiceUnit& u) { u.command.push_back("a\nb"); },
                      +[](ServiceUnit& u) { u.user = "root\nGroup=root"; },
                      +[](ServiceUnit& u) { u.environment.emplace_back("A", "b\rc"); },
                      +[](ServiceUnit& u) { u.command.clear(); }}) {
    ServiceUnit bad = unit;
    change(bad);
    EXPECT_FALSE(FormatUnitFile(bad, text));
  }
  ServiceUnit parsed;
  EXPECT_FALSE(ParseUnitFile("[Service]\nExecStart=\"/bin/unclosed\n", parsed));
  EXPECT_FALSE(ParseUnitFile("[Service]\nType=notify\n", parsed));
  ASSERT_TRUE(ParseUnitFile("[Service]\r\nExecStart=/bin/prog  -a 'b c'\r\n", parsed));
  EXPECT_EQ(parsed.command, (std::vector<std::string>{"/bin/prog", "-a", "b c"}));
}

TEST(ServiceUnitFile, ProgramTextSplitsLikeAWindowsServicePath) {
  // An existing program whose path holds blanks stays one word.
  char folder[] = "/tmp/varnok-unit-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string program = std::string(folder) + "/my prog";
  std::FILE* file = std::fopen(program.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(SplitBinaryPath(program), std::vector<std::string>{program});
  EXPECT_EQ(SplitBinaryPath("\"" + program + "\" -a  b"), (std::vector<std::string>{program, "-a", "b"}));
  EXPECT_EQ(SplitBinaryPath(program + " -a"), (std::vector<std::string>{std::string(folder) + "/my", "prog", "-a"}));
  EXPECT_EQ(SplitBinaryPath("  /bin/true  "), std::vector<std::string>{"/bin/true"});
  EXPECT_TRUE(SplitBinaryPath("   ").empty());
  std::remove(program.c_str());
  rmdir(folder);
}

}  // namespace
