// The shared record of the fake chained library.
#include "gina/tests/fake_gina_record.h"

#include <mutex>

namespace {

std::mutex g_lock;
FakeGinaSettings g_settings;
std::vector<FakeGinaCall> g_calls;
std::vector<FakeDialogMessage> g_messages;
std::vector<std::pair<WORD, int>> g_results;
int g_contextTarget = 0;

// The order the answers are numbered in.
const char* const kEntryPoints[] = {
    "WlxInitialize",          "WlxDisplaySASNotice",     "WlxLoggedOutSAS",       "WlxActivateUserShell",
    "WlxLoggedOnSAS",         "WlxDisplayLockedNotice",  "WlxIsLockOk",           "WlxWkstaLockedSAS",
    "WlxIsLogoffOk",          "WlxLogoff",               "WlxShutdown",           "WlxStartApplication",
    "WlxScreenSaverNotify",   "WlxNetworkProviderLoad",  "WlxDisplayStatusMessage", "WlxGetStatusMessage",
    "WlxRemoveStatusMessage", "WlxGetConsoleSwitchCredentials", "WlxReconnectNotify", "WlxDisconnectNotify",
};

}  // namespace

FakeGinaSettings& FakeGinaConfig() { return g_settings; }

int FakeGinaAnswer(const std::string& entryPoint) {
  int index = 0;
  for (const char* name : kEntryPoints) {
    if (entryPoint == name) return 0x4100 + index;
    ++index;
  }
  return -1;
}

PVOID FakeGinaContext() { return &g_contextTarget; }

void RecordFakeGinaCall(FakeGinaCall call) {
  const std::lock_guard<std::mutex> hold(g_lock);
  g_calls.push_back(std::move(call));
}

std::vector<FakeGinaCall> FakeGinaCalls() {
  const std::lock_guard<std::mutex> hold(g_lock);
  return g_calls;
}

std::vector<FakeGinaCall> FakeGinaCallsOf(const std::string& name) {
  std::vector<FakeGinaCall> calls;
  for (FakeGinaCall& call : FakeGinaCalls()) {
    if (call.name == name) calls.push_back(std::move(call));
  }
  return calls;
}

void RecordFakeDialogMessage(const FakeDialogMessage& message) {
  const std::lock_guard<std::mutex> hold(g_lock);
  g_messages.push_back(message);
}

std::vector<FakeDialogMessage> FakeDialogMessages() {
  const std::lock_guard<std::mutex> hold(g_lock);
  return g_messages;
}

void RecordFakeDialogResult(WORD dialogId, int result) {
  const std::lock_guard<std::mutex> hold(g_lock);
  g_results.emplace_back(dialogId, result);
}

std::vector<std::pair<WORD, int>> FakeDialogResults() {
  const std::lock_guard<std::mutex> hold(g_lock);
  return g_results;
}

void ResetFakeGina() {
  ClearFakeGinaRecord();
  const std::lock_guard<std::mutex> hold(g_lock);
  g_settings = FakeGinaSettings{};
}

void ClearFakeGinaRecord() {
  const std::lock_guard<std::mutex> hold(g_lock);
  g_calls.clear();
  g_messages.clear();
  g_results.clear();
}

WORD FakeDialogIdOf(HWND dialog) {
  const std::lock_guard<std::mutex> hold(g_lock);
  // The latest: a handle may be reused.
  for (auto m = g_messages.rbegin(); m != g_messages.rend(); ++m) {
    if (m->dialog == dialog && m->message == WM_INITDIALOG) return m->dialogId;
  }
  return 0;
}
