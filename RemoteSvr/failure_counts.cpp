// Counting failed answers and appending lock lines, under one lock.
#include "RemoteSvr/failure_counts.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "RemoteSvr/common/win32_error_text.h"
#include "RemoteSvr/current_time_text.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/question_file.h"
#include "platform/base/last_error.h"
#include "platform/base/wipe.h"

namespace {

constexpr std::int32_t kRequestTraceLevel = 9;

// Whether the file (read from its start through the append descriptor)
// already locks the key, and whether its last byte is a line end.
bool ScanFile(int fd, const std::string& userKey, bool& locked, bool& endsInLineEnd) {
  locked = false;
  endsInLineEnd = true;
  std::vector<std::string_view> fields;
  const CLineSplitter::OnLine check = [&](std::string_view line) {
    if (locked) return;
    SplitFields(line, fields);
    locked = fields.size() == 2 && SameTextIgnoringCase(fields[0], userKey) && IsLockStatus(fields[1]);
  };
  CLineSplitter splitter;
  std::string chunk(1 << 16, '\0');
  off_t at = 0;
  bool read = true;
  for (;;) {
    const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      read = false;
      break;
    }
    if (n == 0) break;
    endsInLineEnd = chunk[static_cast<std::size_t>(n) - 1] == '\n';
    splitter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)), check);
    at += n;
  }
  splitter.Finish(check);
  WipeBytes(chunk.data(), chunk.size());
  return read;
}

bool WriteOnce(int fd, const std::string& line) {
  for (;;) {
    const ssize_t n = ::write(fd, line.data(), line.size());
    if (n < 0 && errno == EINTR) continue;
    return n == static_cast<ssize_t>(line.size());
  }
}

}  // namespace

CFailureCountTable& FailureCountTable() {
  static CFailureCountTable* const table = new CFailureCountTable;
  return *table;
}

std::int32_t CFailureCountTable::Count(const std::string& userKey) {
  std::lock_guard<std::mutex> hold(lock);
  const auto found = counts.find(userKey);
  return found == counts.end() ? 0 : found->second;
}

std::int32_t CFailureCountTable::RecordFailure(const std::string& userKey, std::int32_t maximumAttempts,
                                               const std::string& databasePath) {
  CLogFile& log = LogFile();
  std::lock_guard<std::mutex> hold(lock);
  std::int32_t& stored = counts[userKey];
  if (stored < INT32_MAX) ++stored;
  const std::int32_t count = stored;
  log.Trace(kRequestTraceLevel, "    Attempt ...: %d", count);
  if (maximumAttempts < 0) {
    log.Trace(kRequestTraceLevel, "    Locked ....: Intruder lockout disabled");
  } else if (count < maximumAttempts) {
    log.Trace(kRequestTraceLevel, "    Locked ....: No");
  } else {
    log.Trace(kRequestTraceLevel, "    Locked ....: Yes");
    int error = 0;
    if (!AppendLockLine(databasePath, userKey, count, error)) {
      const CWin32ErrorText text(Win32ErrorFromErrno(error));
      log.Trace(kRequestTraceLevel, "    Error .....: %s", text.text.c_str());
    }
  }
  return count;
}

std::string LockLine(const std::string& userKey, std::int32_t count, const std::string& timeText) {
  return userKey + "\t" + LOCKED_MARKER + " # " + std::to_string(count) + " failed attempts at " + timeText + "\n";
}

int AppendLockLine(const std::string& path, const std::string& userKey, std::int32_t count, int& error) {
  // Never a FIFO or a device in the file's place: the write could wait for
  // a reader while every notification waits for this lock.
  const int fd = OpenRegularFile(path, O_RDWR | O_APPEND | O_CREAT, error, 0600);
  if (fd < 0) return 0;
  bool locked = false;
  bool endsInLineEnd = true;
  if (ScanFile(fd, userKey, locked, endsInLineEnd) && locked) {
    ::close(fd);
    return 1;
  }
  std::string line = LockLine(userKey, count, CurrentTimeText());
  if (!endsInLineEnd) line.insert(0, "\n");
  const bool written = WriteOnce(fd, line);
  const int writeError = errno;
  ::close(fd);
  if (!written) {
    error = writeError == 0 ? EIO : writeError;
    return 0;
  }
  return 1;
}
