// The build number from date texts of the compiler's form.
#include "RemoteSvr/common/build_number.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

TEST(BuildNumber, DaysSinceFebruary1998PlusFour) {
  const struct {
    const char* date;
    int number;
  } cases[] = {
      {"Feb  1 1998", 4},
      {"Feb  2 1998", 5},
      {"Jan 31 1998", 3},
      {"Mar  1 1998", 32},
      {"Feb  1 1999", 369},
      {"Mar  1 2000", 763},
      {"Dec  2 2016", 6883},
      {"Dec 10 2026", 10543},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildNumberFromDate(c.date), c.number) << c.date;
}

TEST(BuildNumber, TextsThatAreNoDateGiveZero) {
  const char* const texts[] = {"", "Foo  1 2016", "dec  2 2016", "December 2 2016", "Dec", "Dec  2", nullptr};
  for (const char* text : texts)
    EXPECT_EQ(BuildNumberFromDate(text), 0) << (text ? text : "(null)");
}

// Samoa skipped 30 December 2011; seconds between two local times there are a
// day short of the calendar's count.
TEST(BuildNumber, DoesNotDependOnTheTimeZone) {
  const char* zones[] = {"UTC", "Pacific/Apia", "America/Caracas", "Europe/Berlin"};
  for (const char* zone : zones) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(BuildNumberFromDate("Dec  2 2016"), 6883) << zone;
  }
  unsetenv("TZ");
  tzset();
}

TEST(BuildNumber, ThisBuildsNumberIsItsDatesNumber) {
  EXPECT_EQ(GetBuildNumber(), BuildNumberFromDate(BuildDateText()));
  EXPECT_GT(GetBuildNumber(), 6883);
  EXPECT_EQ(std::string(BuildTimeText()).size(), 8u);
}

}  // namespace
