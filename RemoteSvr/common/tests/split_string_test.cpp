// SplitString's fields.
#include "RemoteSvr/common/split_string.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitString, EverySeparatorEndsAField) {
  using Fields = std::vector<std::string>;
  const struct {
    std::string text;
    char separator;
    Fields fields;
  } cases[] = {
      {"a\tb\t", '\t', {"a", "b", ""}},
      {"\ta", '\t', {"", "a"}},
      {"plain", '\t', {"plain"}},
      {"", '\t', {}},
      {"\t", '\t', {"", ""}},
      {"CORP\\jdoe\tPet?\tRex\tfurry", '\t', {"CORP\\jdoe", "Pet?", "Rex", "furry"}},
      {"cn,mail,,sn", ',', {"cn", "mail", "", "sn"}},
  };
  for (const auto& c : cases) {
    Fields fields = {"stale"};
    SplitString(c.text, c.separator, fields);
    EXPECT_EQ(fields, c.fields) << c.text;
  }
}

}  // namespace
