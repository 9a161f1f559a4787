// The service's one logger: lines to the console, to a log file per month
// beside the program ("VNK-Pellucor-1612-December-2016.txt"), or both; trace
// lines by level; socket errors with their Windows Sockets text. Lines are
// atomic under ServiceLocks().lineLock.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#define VARNOK_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))

// Longest line written; a longer one is cut (on a UTF-8 character boundary).
inline constexpr std::size_t LOG_LINE_LIMIT = 4095;
// Longest trace text formatted (the line it becomes is still cut as above).
inline constexpr std::size_t TRACE_TEXT_LIMIT = 65535;

class CLogFile {
 public:
  CLogFile() = default;
  CLogFile(const CLogFile&) = delete;
  CLogFile& operator=(const CLogFile&) = delete;
  ~CLogFile();

  // Stores the output flags and, with file output, opens the month's file
  // beside the program for appending (created when missing). When it cannot
  // be opened, output moves to the console. Nothing is written before Open.
  void Open(int consoleOutputFlag, int fileOutputFlag, const std::string& stem, const std::string& extension);
  // The same with the folder given instead of the program's.
  void OpenInDirectory(const std::string& folder, int consoleOutputFlag, int fileOutputFlag,
                       const std::string& stem, const std::string& extension);

  // Closes the file and opens the current month's, so that each request is
  // logged in the file of its month. A failure moves output to the console
  // for good. Does nothing while file output is off.
  void Reopen();
  // Reopen as at the time `now`.
  void ReopenAt(std::time_t now);

  // One line, printf-style, whatever the debug level.
  void Log(const char* format, ...) VARNOK_PRINTF_FORMAT(2, 3);

  // "TRACE (%d) : " and the formatted text, only when `level` does not exceed
  // debugLevel; the text is formatted once, never read as a format again.
  void Trace(std::int32_t level, const char* format, ...) VARNOK_PRINTF_FORMAT(3, 4);

  // The message and the calling thread's last socket error (read before
  // anything else runs) as the three "WSAError : " lines.
  void LogSocketError(const char* format, ...) VARNOK_PRINTF_FORMAT(2, 3);

  // directory + "/" + stem + "-" + the month stamp of `when` ("%y%m-%B-%Y",
  // local time, English month) + extension.
  static std::string LogFilePath(const std::string& folder, const std::string& stem, std::time_t when,
                                 const std::string& extension);

  // The highest trace level written: set by the program entry after Open and
  // before any other thread starts (9 with the debug option, else 0).
  std::int32_t debugLevel = 0;

  const std::string& Path() const { return path; }

 private:
  // Opens `path` for appending; -1 on failure.
  void OpenPathLocked();
  void CloseLocked();
  void WriteLine(const char* text, std::size_t length);

  int consoleOutput = 0;
  int fileOutput = 0;
  int file = -1;
  std::string directory;
  std::string path;
  std::string fileStem;
  std::string fileExtension;
  char traceText[TRACE_TEXT_LIMIT + 1] = {};  // guarded by traceLock
};

// The process's logger. Built on first use and never destroyed, so threads
// that still log while the process exits never meet a destroyed logger; every
// line is on disk when its Log call returns.
CLogFile& LogFile();
