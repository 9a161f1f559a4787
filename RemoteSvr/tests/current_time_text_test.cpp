// The time texts of the service log.
#include "RemoteSvr/current_time_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

namespace {

class UtcZone : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }
};

TEST_F(UtcZone, AsctimeFormWithoutItsLineEnd) {
  EXPECT_EQ(TimeText(1796815344), "Wed Dec  9 11:22:24 2026");
  EXPECT_EQ(TimeText(1483228805), "Sun Jan  1 00:00:05 2017");
  EXPECT_EQ(TimeText(1480680000), "Fri Dec  2 12:00:00 2016");
}

TEST_F(UtcZone, EnglishNamesWhateverTheProcessLocale) {
  EXPECT_EQ(FormatLocalTime(1480680000, "%y%m-%B-%Y"), "1612-December-2016");
}

TEST_F(UtcZone, CallsFromManyThreadsEachGetTheirOwnText) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      const std::time_t when = t % 2 ? 1796815344 : 1483228805;
      const std::string expected = t % 2 ? "Wed Dec  9 11:22:24 2026" : "Sun Jan  1 00:00:05 2017";
      for (int i = 0; i < 2000; ++i) wrong[t] += TimeText(when) != expected;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(wrong[t], 0) << t;
  EXPECT_EQ(CurrentTimeText().size(), 24u);
}

}  // namespace
