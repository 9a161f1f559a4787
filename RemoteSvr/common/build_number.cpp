// Build number from the compiler's build date.
#include "RemoteSvr/common/build_number.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1 January 1970 of a date in the proleptic Gregorian calendar
// (month 1..12). Counting days directly keeps time zones and their changes of
// offset out of the result, which seconds of two local times would not.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

constexpr int kBaseYear = 1998, kBaseMonth = 2, kBaseDay = 1;
constexpr std::int32_t kBuildNumberOffset = 4;

}  // namespace

const char* BuildDateText() { return __DATE__; }
const char* BuildTimeText() { return __TIME__; }

std::int32_t GetBuildNumber() { return BuildNumberFromDate(BuildDateText()); }

std::int32_t BuildNumberFromDate(const char* dateText) {
  if (dateText == nullptr) return 0;
  char monthName[4] = {};
  int day = 0, year = 0;
  if (std::sscanf(dateText, "%3s %d %d", monthName, &day, &year) != 3) return 0;
  int month = 0;
  while (month < 12 && std::strcmp(monthName, kMonths[month]) != 0) ++month;
  if (month == 12 || day < 1 || day > 31 || year < 1 || year > 9999) return 0;
  const std::int64_t days =
      DaysFromCivil(year, month + 1, day) - DaysFromCivil(kBaseYear, kBaseMonth, kBaseDay);
  return static_cast<std::int32_t>(days) + kBuildNumberOffset;
}
