// The service body: the server's start and stop between the status reports.
#include "RemoteSvr/pwd_reset_service.h"

#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/pwd_reset_server.h"

namespace {

constexpr DWORD kStartWaitHint = 300000;
constexpr DWORD kStopWaitHint = 60000;
// The longest a stop can go unseen, should its signal and its state be
// seen apart.
constexpr DWORD kStopSlice = 10000;

}  // namespace

CPwdResetService::CPwdResetService(const char* serviceName, const char* displayName, const char* descriptionLine,
                                   const char* noticeLine)
    : CWindowsService(serviceName, displayName, descriptionLine, noticeLine) {
  configMap.Load();
  CDatabaseSettings::Instance().Initialise();
}

CPwdResetService::~CPwdResetService() = default;

std::unique_ptr<CPwdResetServer> CPwdResetService::CreateServer() { return std::make_unique<CPwdResetServer>(); }

void CPwdResetService::Run() {
  bool running = false;
  try {
    SetStatus(SERVICE_START_PENDING, kStartWaitHint, 0);
    // Starting, unless a stop came first: that one must not be lost.
    std::int32_t state = runState.load();
    while (state != RUN_STATE_STOPPING && !runState.compare_exchange_weak(state, RUN_STATE_STARTING)) {
    }
    std::unique_ptr<CPwdResetServer> server = CreateServer();
    if (server->Start()) {
      std::int32_t starting = RUN_STATE_STARTING;
      if (runState.compare_exchange_strong(starting, RUN_STATE_RUNNING)) {
        running = true;
        SetStatus(SERVICE_RUNNING, 0, 0);
        while (runState.load() != RUN_STATE_STOPPING) stopEvent.Wait(kStopSlice);
      }
    } else {
      startFailed = 1;
    }
    SetStatus(SERVICE_STOP_PENDING, kStopWaitHint, 0);
    server->CloseSocket();
    server.reset();
    SetStatus(SERVICE_STOPPED, 0, 0);
  } catch (...) {
    // Nothing may escape to the service thread; a start cut short failed.
    if (!running) startFailed = 1;
  }
}
