// Local time texts through localtime_r and strftime_l in the C locale.
#include "RemoteSvr/current_time_text.h"

#include <locale.h>

namespace {

locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return locale;
}

}  // namespace

std::string FormatLocalTime(std::time_t when, const char* format) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return std::string();
  char text[256];
  const std::size_t length = strftime_l(text, sizeof(text), format, &local, CLocale());
  return std::string(text, length);
}

std::string TimeText(std::time_t when) { return FormatLocalTime(when, "%a %b %e %H:%M:%S %Y"); }

std::string CurrentTimeText() { return TimeText(std::time(nullptr)); }
