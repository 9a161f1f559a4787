// Writing and switching the rule log.
#include "rules/rule_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/base/system_directory.h"
#include "platform/base/text.h"
#include "rules/rule_state.h"

namespace {

std::atomic<RulesLogObserver> g_observer{nullptr};

// The log may hold user names: readable by its owner only, and never written
// through a planted link.
int OpenRulesLog(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// "%d-%b-%y %H:%M:%S" with English month names whatever the process locale.
std::string RulesLogTime() {
  static constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[] = "dd-Mmm-yy hh:mm:ss";
  const auto two = [&](int at, int value) {
    text[at] = static_cast<char>('0' + value / 10 % 10);
    text[at + 1] = static_cast<char>('0' + value % 10);
  };
  two(0, local.tm_mday);
  std::copy_n(kMonths + 3 * (local.tm_mon % 12), 3, text + 3);
  two(7, local.tm_year % 100);
  two(10, local.tm_hour);
  two(13, local.tm_min);
  two(16, local.tm_sec);
  return text;
}

void WriteWhole(int fd, const std::string& line) {
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

void WriteRulesLog(const char* format, ...) {
  char message[RULES_LOG_MAX_MESSAGE + 1];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  if (length < 0) return;
  std::string_view text(message);
  text = text.substr(0, Utf8CutPoint(text, RULES_LOG_MAX_MESSAGE));
  if (const RulesLogObserver observer = g_observer.load()) observer(text);

  // Without a LOGDIR, or when its folder fails, the log's place is the
  // system directory, never whatever folder the process runs in.
  const std::string& path = EngineState().rulesLogPath;
  int fd = path.empty() ? -1 : OpenRulesLog(path);
  if (fd < 0) fd = OpenRulesLog(SystemDirectoryPath() + "/" + RULES_LOG_NAME);
  if (fd < 0) return;

  std::string line = "[" + RulesLogTime() + "] ";
  line.append(text);
  line += '\n';
  WriteWhole(fd, line);
  ::close(fd);
}

void SetRulesLogObserver(RulesLogObserver observer) { g_observer.store(observer); }

void SwitchRulesLog(std::string_view directory) {
  std::string newPath(directory);
  if (newPath.empty() || newPath.back() != '/') newPath += '/';
  newPath += RULES_LOG_NAME;

  std::string& current = EngineState().rulesLogPath;
  const int fd = OpenRulesLog(newPath);
  if (fd < 0) {
    current.clear();
    WriteRulesLog("Cannot switch logfile to: %s", newPath.c_str());
    WriteRulesLog(">> Make sure the directory exists.");
    WriteRulesLog(">> Using current logfile for this session.");
    WriteRulesLog("---");
    return;
  }
  if (newPath != current) {
    WriteRulesLog("Switching logfile to: %s", newPath.c_str());
    WriteRulesLog("---");
    current = newPath;
  }
  ::close(fd);
}
