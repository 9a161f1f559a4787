// Pellucor's entry: reads the log's options, opens the log, builds the one
// reset service (pwd_reset_service.h), then shows the banner or hands over
// to the service frame: usage, install, remove, the console, or the
// service manager's dispatcher.
#include <cstdlib>

#include "RemoteSvr/common/build_number.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/program_options.h"
#include "RemoteSvr/pwd_reset_service.h"

namespace {

// The service did not start: the server never listened, or the program
// was not started by the service manager. Every other end is 0.
constexpr int kExitStartFailed = 1;

constexpr const char* kServiceName = "VNK Pellucor";
constexpr const char* kDescriptionLine = "VNK Password Reset Server";
constexpr const char* kNoticeLine = "Varnok AG - self-service password reset for Windows domains";

}  // namespace

int main(int argc, char** argv) {
  const ProgramOptions options = ReadProgramOptions(argc, argv);
  CLogFile& log = LogFile();
  log.Open(options.consoleOutput, options.fileOutput, "VNK-Pellucor", ".txt");
  log.debugLevel = DebugLevelFor(options);

  // Lives until the process ends; never destroyed, since threads of the
  // console's handler may still reach it while the process exits.
  CPwdResetService service(kServiceName, kServiceName, kDescriptionLine, kNoticeLine);
  if (options.banner) {
    log.Log("%s", kDescriptionLine);
    log.Log("%s", kNoticeLine);
    log.Log("%s", "");
    log.Log("Version %d.%d build %d", 2, 1, static_cast<int>(GetBuildNumber()));
    log.Log("Build date : %s at %s", BuildDateText(), BuildTimeText());
    std::exit(0);
  }
  service.SetConsoleMode(options.consoleOutput);
  service.Start();
  std::exit(service.StartFailed() || service.DispatcherFailed() ? kExitStartFailed : 0);
}
