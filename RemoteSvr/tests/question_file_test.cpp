// The question file's pieces: where it lies, how its lines are split and
// told apart, what the "Read ..:" trace may show, the alias lines, the
// bound on a line and the refusal of anything but a regular file.
#include "RemoteSvr/question_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "RemoteSvr/log_file.h"
#include "platform/base/text.h"
#include "tests/support/service_fixture.h"

namespace {

TEST(QuestionFile, PathFromTheRegistry) {
  CServiceFiles files;
  EXPECT_EQ(ReadDatabaseDirectory(), files.Folder() + "/data");
  EXPECT_EQ(DatabaseFilePath(ReadDatabaseDirectory()), files.QuestionFilePath());
  EXPECT_EQ(DatabaseFilePath("/srv/reset/"), "/srv/reset/Pellucor.txt");
  files.WriteRegistry(false);
  EXPECT_EQ(ReadDatabaseDirectory(), "");
}

TEST(QuestionFile, FieldsAndLockStatus) {
  std::vector<std::string_view> fields;
  SplitFields("key\tquestion\tanswer\t", fields);
  EXPECT_EQ(fields, (std::vector<std::string_view>{"key", "question", "answer", ""}));
  SplitFields("no tab at all", fields);
  EXPECT_EQ(fields.size(), 1u);
  SplitFields("", fields);
  EXPECT_TRUE(fields.empty());

  const struct {
    const char* status;
    bool locked;
  } cases[] = {
      {"{{LOCKED}}", true},
      {"{{locked}}# by hand", true},
      {"{{LOCKED}} # 3 failed attempts at Wed Dec  9 11:22:24 2026", true},
      {"{{LOCKED}}x", false},
      {" {{LOCKED}}", false},
      {"unlocked", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLockStatus(c.status), c.locked) << c.status;
}

TEST(QuestionFile, ReadTraceShowsNoAnswerOrPassword) {
  const struct {
    const char* line;
    const char* shown;
  } cases[] = {
      {"CORP\\alice\tPet?\tRex", "CORP\\alice (question line)"},
      {"CORP\\alice\tPet?\tRex\tfurry", "CORP\\alice (question line)"},
      {"CORP\\alice\t{{LOCKED}} # 3 failed", "CORP\\alice\t{{LOCKED}} # 3 failed"},
      {"CORP\\alice\tunknown status", "(line of 2 fields)"},
      {"a\tb\tc\td\te", "(line of 5 fields)"},
      {"LDAP_DIRECTORY PARTNER LDAP://x/o=y agent \"pass word\"", "LDAP_DIRECTORY PARTNER (directory line)"},
      {"DOMAIN_CONTROLLER CORP dc1.corp", "DOMAIN_CONTROLLER CORP dc1.corp"},
      {"DOMAIN_ALIAS CORP corp.example", "DOMAIN_ALIAS CORP corp.example"},
      {"MAXIMUM_ATTEMPTS 3", "MAXIMUM_ATTEMPTS 3"},
      {"# a comment that might hold anything", "(line of 1 fields)"},
  };
  for (const auto& c : cases) EXPECT_EQ(DescribeLine(c.line), c.shown) << c.line;
}

TEST(QuestionFile, FirstMatchingAliasApplies) {
  const std::string content =
      "DOMAIN_ALIAS other elsewhere\n"
      "  DOMAIN_ALIAS Corp corp.example.org  \r\n"
      "DOMAIN_ALIAS CORP second.example\n"
      "domain_alias corp lower.case\n"
      "CORP\\alice\tDOMAIN_ALIAS CORP in.a.question\tx\n";
  CDomainAliases aliases;
  CLineSplitter splitter;
  splitter.Feed(content, [&](std::string_view line) { aliases.Offer(line); });
  splitter.Finish([&](std::string_view line) { aliases.Offer(line); });
  EXPECT_EQ(aliases.Map("corp", false), "corp.example.org");
  EXPECT_EQ(aliases.Map("OTHER", false), "elsewhere");
  EXPECT_EQ(aliases.Map("unknown", false), "unknown");
}

TEST(QuestionFile, LinesInPieces) {
  // Lines broken across pieces, CR LF and LF, a byte-order mark, a last
  // line without an end.
  const std::string text = "\xEF\xBB\xBFone\r\ntwo\n\nthree\r\nfour";
  for (std::size_t size = 1; size <= text.size(); ++size) {
    std::vector<std::string> lines;
    const CLineSplitter::OnLine keep = [&](std::string_view line) { lines.emplace_back(line); };
    CLineSplitter splitter;
    for (std::size_t at = 0; at < text.size(); at += size) splitter.Feed(std::string_view(text).substr(at, size), keep);
    splitter.Finish(keep);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three", "four"})) << size;
  }
}

TEST(QuestionFile, LinesLongerThanTheBoundAreSkippedWhole) {
  const std::string longest(MAX_DATABASE_LINE, 'a');
  const std::string text = longest + "\n" +                       // kept
                           longest + "\r\n" +                     // kept, its CR is the line end's
                           longest + "b\n" +                       // one byte too many
                           "short\n" +                             //
                           std::string(1 << 20, 'c') + "\r\n" +    // a megabyte
                           "corp\\alice\tPet?\tRex\n" +            //
                           std::string(MAX_DATABASE_LINE + 1, 'd');  // the last, without an end
  for (const std::size_t size : {std::size_t{1}, std::size_t{7}, MAX_DATABASE_LINE + 1, std::size_t{1} << 16}) {
    std::vector<std::string> lines;
    const CLineSplitter::OnLine keep = [&](std::string_view line) { lines.emplace_back(line); };
    CLineSplitter splitter;
    for (std::size_t at = 0; at < text.size(); at += size) splitter.Feed(std::string_view(text).substr(at, size), keep);
    splitter.Finish(keep);
    EXPECT_EQ(lines, (std::vector<std::string>{longest, longest, "short", "corp\\alice\tPet?\tRex"})) << size;
    EXPECT_EQ(splitter.SkippedLines(), 3u) << size;
  }
}

TEST(QuestionFile, QuestionLinesOfAKey) {
  CServiceFiles files;
  files.WriteQuestionFile("corp\\alice\tPet?\tRex\n"
                          "corp\\bob\tPet?\tRex\thint\n"
                          "corp\\carol\t{{LOCKED}}\n"
                          "corp\\dave\ta\tb\tc\td\n"
                          "corp\\erin\t" + std::string(MAX_DATABASE_LINE, 'q') + "\tanswer\n"
                          "corp\\frank \tPet?\tRex\n");
  const struct {
    const char* key;
    bool known;
  } cases[] = {
      {"corp\\alice", true},  {"CORP\\Alice", true}, {"corp\\bob", true},
      {"corp\\carol", false},  // a lock line alone
      {"corp\\dave", false},   // five fields
      {"corp\\erin", false},   // too long to be read
      {"corp\\frank", false},  // the key has a trailing blank
      {"corp\\nobody", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HasQuestionLine(files.QuestionFilePath(), c.key), c.known) << c.key;
  EXPECT_FALSE(HasQuestionLine("", "corp\\alice"));
  EXPECT_FALSE(HasQuestionLine(files.Folder() + "/missing.txt", "corp\\alice"));
}

TEST(QuestionFile, OnlyARegularFileIsRead) {
  CServiceFiles files;
  const std::string fifo = files.Folder() + "/fifo.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A writer that turns up while the reader waits: a reader that waited
  // would be let through and read an empty file.
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  });
  int lines = 0;
  const CLineSplitter::OnLine count = [&](std::string_view) { ++lines; };
  EXPECT_FALSE(ReadDatabaseLines(fifo, false, count));
  // Let the writer go, whenever it opens.
  const int release = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  writer.join();
  ::close(release);
  EXPECT_FALSE(ReadDatabaseLines(files.Folder(), false, count));
  EXPECT_FALSE(ReadDatabaseLines("/dev/null", false, count));
  EXPECT_EQ(lines, 0);
  int error = 0;
  EXPECT_EQ(OpenRegularFile(files.Folder(), O_RDONLY, error), -1);
  EXPECT_EQ(error, EACCES);
}

TEST(QuestionFile, SettingsNumbersAndKeys) {
  EXPECT_EQ(SettingsNumber("0"), 0);
  EXPECT_EQ(SettingsNumber("0042"), 42);
  EXPECT_EQ(SettingsNumber("99999999999999999999"), 2147483647);
  EXPECT_TRUE(HasLineBreakOrTab("a\nb"));
  EXPECT_TRUE(HasLineBreakOrTab("a\rb"));
  EXPECT_TRUE(HasLineBreakOrTab("a\tb"));
  EXPECT_FALSE(HasLineBreakOrTab("corp\\alice smith"));
  EXPECT_TRUE(SameTextIgnoringCase("CORP\\Alice", "corp\\aLICE"));
  EXPECT_TRUE(SameTextIgnoringCase("CORP\\\xC3\x89MILE", "corp\\\xC3\xA9mile"));  // É and é
  EXPECT_FALSE(SameTextIgnoringCase("corp\\alice ", "corp\\alice"));
}

// The failure notification's readers: the key's question line, and the
// domain through the aliases.
TEST(QuestionFile, QuestionLineAndAliasOfTheFile) {
  CServiceFiles files;
  files.WriteQuestionFile("corp\\bob\t{{LOCKED}}\n"
                          "DOMAIN_ALIAS sales corp\n"
                          "corp\\alice\tPet?\tRex\n"
                          "corp\\bob\tPet?\tRex\tand\ttoo many\n"
                          "corp\\\xE2\x84\xAA" "ate\tPet?\tRex\n"  // the Kelvin sign: "kate"
                          "DOMAIN_ALIAS corp other\n"
                          "\t \tDOMAIN_ALIAS  tabbed\tcorp \n"
                          "# DOMAIN_ALIAS commented corp\n");
  const struct {
    const char* key;
    bool known;
  } keys[] = {{"corp\\alice", true}, {"CORP\\ALICE", true}, {"corp\\bob", false},
              {"corp\\alic", false},  {"corp\\kate", true}};
  for (const auto& k : keys) EXPECT_EQ(HasQuestionLine(files.QuestionFilePath(), k.key), k.known) << k.key;
  EXPECT_EQ(MappedDomain(files.QuestionFilePath(), "SALES"), "corp");
  EXPECT_EQ(MappedDomain(files.QuestionFilePath(), "corp"), "other");
  EXPECT_EQ(MappedDomain(files.QuestionFilePath(), "Tabbed"), "corp");
  EXPECT_EQ(MappedDomain(files.QuestionFilePath(), "commented"), "commented");
}

// A lookup's reader for the user "Kate": every alias line and every line
// whose key may be "<any domain>\kate" ignoring case comes through, with
// the file's traces (the traced reader picks) and without (the splitter
// does); most others are passed over.
TEST(QuestionFile, WantedLinesWithAndWithoutTheFileTraces) {
  const struct {
    const char* line;
    bool wanted;
  } cases[] = {
      {"corp\\kate\tPet?\tRex", true},
      {"CORP\\KATE\tPet?\tRex", true},                     // case only
      {"elsewhere\\Kate\t{{LOCKED}}", true},                // any domain: an alias may map to it
      {"corp\\\xE2\x84\xAA" "ate\tPet?\tRex", true},      // the Kelvin sign lower-cases to "k"
      {"\xC3\x89" "corp\\kate\tPet?\tRex", true},          // a first byte outside ASCII
      {"corp\\\xC3\x84te\tPet?\tRex", false},              // lower-cased whole, still no "kate"
      {"corp\\kat\tPet?\tRex", false},                     // a prefix of the name
      {"corp\\katey\tPet?\tRex", false},                   // the name a prefix of it
      {"corp\\xkate\tPet?\tRex", false},                   // ends like it, not at the backslash
      {"kate\tPet?\tRex", false},                           // shorter than "\kate"
      {"corp\\kate \tPet?\tRex", false},                   // a blank before the TAB
      {"corp\\kate", false},                                // no TAB: one field
      {"a long domain name, longer than a block\\kate\tPet?\tRex", true},
      {"DOMAIN_ALIAS corp other", true},
      {"\t \tDOMAIN_ALIAS  tabbed\tcorp ", true},             // blanks and TABs before it
      {"\xC2\xA0" "DOMAIN_ALIAS corp other", true},           // bytes outside ASCII before it
      {"domain_alias corp other", false},                    // the keyword's case counts
      {"# DOMAIN_ALIAS commented corp", false},
      {"", false},
  };
  CWantedLines wanted;
  wanted.aliasLines = true;
  wanted.keyEnding = LowerCase("\\Kate");
  std::string text;
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    EXPECT_EQ(IsWantedLine(c.line, wanted), c.wanted) << c.line;
    text += std::string(c.line) + "\r\n";
    if (c.wanted) expected.emplace_back(c.line);
  }
  CServiceFiles files;
  files.WriteQuestionFile(text);
  const std::int32_t level = LogFile().debugLevel;
  for (const std::int32_t traced : {0, 9}) {
    LogFile().debugLevel = traced;
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadDatabaseLines(
        files.QuestionFilePath(), true, [&](std::string_view line) { lines.emplace_back(line); }, &wanted));
    EXPECT_EQ(lines, expected) << traced;
  }
  LogFile().debugLevel = level;
}

}  // namespace
