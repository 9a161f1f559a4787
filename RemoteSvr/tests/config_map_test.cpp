// The token file: its name beside the program, the line format, lookups and
// the port read from it.
#include "RemoteSvr/config_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "RemoteSvr/log_file.h"
#include "RemoteSvr/module_path.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"

namespace {

class TokenFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFile().OpenInDirectory(folder.Path(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
  }
  void TearDown() override {
    LogFile().debugLevel = 0;
    LogFile().OpenInDirectory("", 0, 0, "VNK-Pellucor", ".txt");
  }

  // Writes the token file of a program "Pellucor.exe" in the folder and
  // loads it; returns Load's result.
  int LoadText(const std::string& text) {
    std::ofstream(folder.Path() + "/Pellucor.cfg", std::ios::binary) << text;
    return map.LoadFor(folder.Path() + "/Pellucor.exe");
  }

  std::vector<std::string> LogLines() { return FileLines(LogFile().Path()); }

  ScratchFolder folder;
  CConfigMap map;
};

TEST(TokenFilePath, TakesTheExtensionOfTheFileNameOnly) {
  const struct {
    const char* program;
    const char* tokenFile;
  } cases[] = {
      {"/opt/varnok/Pellucor.exe", "/opt/varnok/Pellucor.cfg"},
      {"/opt/varnok/Pellucor", "/opt/varnok/Pellucor.cfg"},
      // A "." in a folder's name is no extension of the program.
      {"/opt/varnok.d/Pellucor", "/opt/varnok.d/Pellucor.cfg"},
      {"/opt/varnok/Pellucor.tar.gz", "/opt/varnok/Pellucor.tar.cfg"},
      {"/opt/varnok/.Pellucor", "/opt/varnok/.Pellucor.cfg"},
      {"Pellucor.bin", "Pellucor.cfg"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CConfigMap::TokenFilePath(c.program), c.tokenFile) << c.program;
}

TEST(ModulePath, CutsAtTheLastSlash) {
  const CModulePath path("/opt/var.nok/Pellucor");
  EXPECT_EQ(path.directory, "/opt/var.nok");
  EXPECT_EQ(path.fileName, "Pellucor");
  EXPECT_EQ(path.fullPath, "/opt/var.nok/Pellucor");
  const CModulePath bare("Pellucor");
  EXPECT_EQ(bare.directory, "");
  EXPECT_EQ(bare.fileName, "");
  const CModulePath self;
  EXPECT_FALSE(self.fullPath.empty());
  EXPECT_EQ(self.directory + "/" + self.fileName, self.fullPath);
}

TEST_F(TokenFileTest, LinesAndLookups) {
  ASSERT_EQ(LoadText("# PORT = 1\n"
                     "PORT=7300\n"
                     "PORT = 7300 \r\n"
                     "\n"
                     "port = 7301\n"
                     "  Indented = yes\n"
                     "Name \t = a = b\n"
                     "Lead =  two\n"),
            1);
  // The last of two lines for the same token wins, whatever its case.
  EXPECT_EQ(map.GetValue("PORT", "7257"), "7301");
  EXPECT_EQ(map.GetValue("Port", "7257"), "7301");
  // An indented token keeps its blanks, so no lookup finds it.
  EXPECT_EQ(map.GetValue("Indented", "no"), "no");
  EXPECT_EQ(map.GetValue("  indented", "no"), "yes");
  // The value is all after the first " = "; the token loses trailing space.
  EXPECT_EQ(map.GetValue("name", ""), "a = b");
  EXPECT_EQ(map.GetValue("lead", ""), " two");
  EXPECT_EQ(map.GetValue("missing", "fallback"), "fallback");

  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> expected = {
      "TRACE (9) : Config file: " + folder.Path() + "/Pellucor.cfg",
      "TRACE (9) : ",
      "TRACE (9) : Config: # PORT = 1",
      "TRACE (9) : Config: PORT=7300",
      "TRACE (9) : Config: PORT = 7300 \r",
      "TRACE (9) : Token [port] = [7300]",
      "TRACE (9) : Config: ",
      "TRACE (9) : Config: port = 7301",
      "TRACE (9) : Token [port] = [7301]",
      "TRACE (9) : Config:   Indented = yes",
      "TRACE (9) : Token [  indented] = [yes]",
      "TRACE (9) : Config: Name \t = a = b",
      "TRACE (9) : Token [name] = [a = b]",
      "TRACE (9) : Config: Lead =  two",
      "TRACE (9) : Token [lead] = [ two]",
      "TRACE (9) : ",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(TokenFileTest, MissingFileGivesDefaults) {
  EXPECT_EQ(map.LoadFor(folder.Path() + "/Absent.exe"), 0);
  EXPECT_EQ(map.GetValue("PORT", "7257"), "7257");
  EXPECT_EQ(map.GetPort(), 7257);
  const std::vector<std::string> expected = {
      "TRACE (9) : Config file: " + folder.Path() + "/Absent.cfg",
      "TRACE (9) : ",
      "TRACE (9) : Can't open configuration file.",
      "TRACE (9) : ",
  };
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(TokenFileTest, ALineIsOneLineHoweverLong) {
  const std::string longToken(503, 'x');
  const struct {
    std::string text;
    const char* token;
    std::string value;  // "-" when the token is not set
  } cases[] = {
      // A comment whose tail would have been a line of its own.
      {"# " + std::string(509, 'c') + "PORT = 41767\n", "PORT", "-"},
      {"# " + std::string(509, 'c') + "PORT = 41767", "PORT", "-"},
      // A long value stays whole, " = " and all.
      {longToken + " = first" + "PORT = 7400\n", longToken.c_str(), "firstPORT = 7400"},
      {"NAME = " + std::string(3000, 'v') + "\n", "NAME", std::string(3000, 'v')},
      // Past the longest line kept: skipped whole, the next line read.
      {"# " + std::string(5000, 'c') + "PORT = 41767\nNEXT = read\n", "PORT", "-"},
      {"# " + std::string(5000, 'c') + "PORT = 41767\nNEXT = read\n", "NEXT", "read"},
  };
  for (const auto& c : cases) {
    CConfigMap fresh;
    std::ofstream(folder.Path() + "/Pellucor.cfg", std::ios::binary | std::ios::trunc) << c.text;
    ASSERT_EQ(fresh.LoadFor(folder.Path() + "/Pellucor.exe"), 1);
    EXPECT_EQ(fresh.GetValue(c.token, "-"), c.value) << c.text.substr(0, 40);
    if (std::string(c.token) == "PORT") {
      EXPECT_EQ(fresh.GetPort(), 7257);
    }
  }
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "TRACE (9) : Config: line longer than 4096 bytes skipped"), 2);
}

TEST_F(TokenFileTest, PortTakesOneTo65535Only) {
  const struct {
    const char* value;
    std::int32_t port;
  } cases[] = {
      {"7300", 7300}, {"1", 1},        {"65535", 65535}, {"007300", 7300}, {"0", 7257},
      {"65536", 7257}, {"99999", 7257}, {"-1", 7257},     {"7300x", 7257},  {"abc", 7257},
      {"", 7257},     {" 7301", 7301},
  };
  for (const auto& c : cases) {
    CConfigMap fresh;
    std::ofstream(folder.Path() + "/Pellucor.cfg", std::ios::binary) << "PORT = " << c.value << "\n";
    ASSERT_EQ(fresh.LoadFor(folder.Path() + "/Pellucor.exe"), 1);
    EXPECT_EQ(fresh.GetPort(), c.port) << "[" << c.value << "]";
  }
  std::size_t refusals = 0;
  for (const std::string& logLine : LogLines()) {
    if (logLine.rfind("Invalid PORT value [", 0) == 0) ++refusals;
  }
  EXPECT_EQ(refusals, 6u);  // "PORT = " holds no " = ", so it sets nothing
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "Invalid PORT value [65536] in the configuration file, using port 7257"),
            1);
}

}  // namespace
