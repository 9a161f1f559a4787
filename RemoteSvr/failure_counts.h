// FailureCountTable, the process's count of wrong answers per user key, and
// the lock line a count at the limit appends to the question file. One lock
// serves both, so concurrent notifications on many connections neither lose
// a count nor interleave a line. Lock order: this lock, then traceLock, then
// lineLock.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class CFailureCountTable {
 public:
  // One failed answer for `userKey` (lower-cased), with its traces (level 9):
  // "    Attempt ...: %d" and the "    Locked ....: " line; at or past
  // `maximumAttempts` (negative: lockout off) the lock line is appended to
  // the file at `databasePath` unless the file already locks the key.
  // Returns the new count.
  std::int32_t RecordFailure(const std::string& userKey, std::int32_t maximumAttempts,
                             const std::string& databasePath);

  // The count of a key (0 when none).
  std::int32_t Count(const std::string& userKey);

 private:
  std::mutex lock;
  std::map<std::string, std::int32_t> counts;  // guarded by lock
};

// The process's table. Never destroyed.
CFailureCountTable& FailureCountTable();

// "%s\t{{LOCKED}} # %d failed attempts at %s\n": key, count and time text.
std::string LockLine(const std::string& userKey, std::int32_t count, const std::string& timeText);

// Appends the lock line to `path` in one write (created when missing), with a
// line end first when the file does not end in one, unless the file already
// holds a lock line for the key. 1 when written or already locked; 0 with
// the open's errno in `error` (EACCES when the path is no regular file).
int AppendLockLine(const std::string& path, const std::string& userKey, std::int32_t count, int& error);
