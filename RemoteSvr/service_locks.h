// The service's three process-wide locks. Lock order: listLock, then
// traceLock, then lineLock; no code takes an earlier one of this order while
// it holds a later one.
#pragma once

#include <mutex>

class CServiceLocks {
 public:
  std::mutex lineLock;   // one line formatted and written by CLogFile::Log, and the file's swap in Reopen
  std::mutex traceLock;  // one trace line formatted and handed to Log
  std::mutex listLock;   // the server's lists of active and finished connections
};

// The one instance. It is built on first use and never destroyed, so
// connection threads that still run while the process exits never meet a
// destroyed lock.
CServiceLocks& ServiceLocks();
