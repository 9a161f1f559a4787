// The logger: formatting, the monthly file, console output and trace levels.
#include "RemoteSvr/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "RemoteSvr/common/wsa_error_text.h"
#include "RemoteSvr/current_time_text.h"
#include "RemoteSvr/service_locks.h"
#include "platform/base/module_file_name.h"
#include "platform/base/text.h"
#include "platform/winsock/winsock.h"

namespace {

// Formats into `text` (LOG_LINE_LIMIT + 2 bytes) and returns the length of
// the line, cut to LOG_LINE_LIMIT bytes without splitting a character.
std::size_t FormatLine(char* text, const char* format, va_list args) {
  const int formatted = std::vsnprintf(text, LOG_LINE_LIMIT + 2, format, args);
  if (formatted <= 0) return 0;
  const std::size_t length = std::min(static_cast<std::size_t>(formatted), LOG_LINE_LIMIT + 1);
  return Utf8CutPoint(std::string_view(text, length), LOG_LINE_LIMIT);
}

// The program's folder: its path up to the last "/", empty when there is none.
std::string ProgramDirectory() {
  // Linux paths may be longer than MAX_PATH; a cut path would name a wrong folder.
  char path[4096];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return std::string();
  const std::string_view full(path, length);
  const std::size_t slash = full.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(full.substr(0, slash));
}

}  // namespace

CLogFile::~CLogFile() { CloseLocked(); }

std::string CLogFile::LogFilePath(const std::string& folder, const std::string& stem, std::time_t when,
                                  const std::string& extension) {
  return folder + "/" + stem + "-" + FormatLocalTime(when, "%y%m-%B-%Y") + extension;
}

void CLogFile::Open(int consoleOutputFlag, int fileOutputFlag, const std::string& stem,
                    const std::string& extension) {
  OpenInDirectory(fileOutputFlag ? ProgramDirectory() : std::string(), consoleOutputFlag, fileOutputFlag, stem,
                  extension);
}

void CLogFile::OpenInDirectory(const std::string& folder, int consoleOutputFlag, int fileOutputFlag,
                               const std::string& stem, const std::string& extension) {
  std::lock_guard<std::mutex> hold(ServiceLocks().lineLock);
  CloseLocked();
  consoleOutput = consoleOutputFlag;
  fileOutput = fileOutputFlag;
  fileStem = stem;
  fileExtension = extension;
  if (!fileOutput) return;
  directory = folder;
  path = LogFilePath(directory, fileStem, std::time(nullptr), fileExtension);
  OpenPathLocked();
}

void CLogFile::Reopen() { ReopenAt(std::time(nullptr)); }

void CLogFile::ReopenAt(std::time_t now) {
  std::lock_guard<std::mutex> hold(ServiceLocks().lineLock);
  if (!fileOutput) return;
  CloseLocked();
  path = LogFilePath(directory, fileStem, now, fileExtension);
  OpenPathLocked();
}

void CLogFile::OpenPathLocked() {
  // Readable by the owner only (the log names users), never through a link.
  file = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file < 0) {
    consoleOutput = 1;
    fileOutput = 0;
  }
}

void CLogFile::CloseLocked() {
  if (file >= 0) ::close(file);
  file = -1;
}

void CLogFile::WriteLine(const char* text, std::size_t length) {
  std::lock_guard<std::mutex> hold(ServiceLocks().lineLock);
  if (consoleOutput) {
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
  }
  if (fileOutput && file >= 0) {
    // O_APPEND and one write per line keep lines whole; a failure is ignored.
    std::size_t done = 0;
    while (done < length) {
      const ssize_t written = ::write(file, text + done, length - done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) break;
      done += static_cast<std::size_t>(written);
    }
  }
}

void CLogFile::Log(const char* format, ...) {
  char text[LOG_LINE_LIMIT + 2];
  va_list args;
  va_start(args, format);
  const std::size_t length = FormatLine(text, format, args);
  va_end(args);
  text[length] = '\n';
  WriteLine(text, length + 1);
}

void CLogFile::Trace(std::int32_t level, const char* format, ...) {
  if (level > debugLevel) return;
  std::lock_guard<std::mutex> hold(ServiceLocks().traceLock);
  va_list args;
  va_start(args, format);
  std::vsnprintf(traceText, sizeof(traceText), format, args);
  va_end(args);
  Log("TRACE (%d) : %s", static_cast<int>(level), traceText);
}

void CLogFile::LogSocketError(const char* format, ...) {
  // Read first: nothing below may stand between the failed call and its code.
  const int code = WSAGetLastError();
  char message[LOG_LINE_LIMIT + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  const CWsaErrorText errorText(code);
  Log("WSAError : %s", message);
  Log("WSAError : Error code = %d", code);
  Log("WSAError : Error text = %s", errorText.text.c_str());
}

CLogFile& LogFile() {
  static CLogFile* const log = new CLogFile;
  return *log;
}
