// The RFC 4515 escaping of values put into the directory filters.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/netapi/netapi_ldap.h"

namespace {

TEST(LdapFilterTest, ValuesAreEscaped) {
  const std::pair<std::string, std::string> rows[] = {
      {"jsmith", "jsmith"},
      {"car*", "car\\2a"},
      {"nobody)(objectClass=*", "nobody\\29\\28objectClass=\\2a"},
      {"back\\slash", "back\\5cslash"},
      {std::string("nul\0x", 5), "nul\\00x"},
      {"J\xC3\xBCrgen", "J\xC3\xBCrgen"},
  };
  for (const auto& [value, escaped] : rows) EXPECT_EQ(EscapeLdapFilterValue(value), escaped);
}

}  // namespace
