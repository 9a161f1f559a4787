// What the tests' fake chained library (fake_gina.cpp, loaded by Vantrope
// as "MSGINA.DLL") is told and what it saw. A shared library of its own, so
// the test program and every copy of the fake share one record.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/winlogon/wlx_types.h"

// One call of an entry point, its arguments as numbers in order.
struct FakeGinaCall {
  std::string name;
  std::vector<std::uintptr_t> arguments;
};

// One message that the fake's own dialog procedure received.
struct FakeDialogMessage {
  WORD dialogId;  // 1500, 1700 or 1800 (or the id the fake was told to use)
  HWND dialog;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// How the fake behaves; the test sets it before the calls.
struct FakeGinaSettings {
  // The fake answers min(offered, this) from WlxNegotiate.
  DWORD answeredVersion = WLX_VERSION_1_4;
  BOOL negotiateResult = TRUE;
  // Whether the SAS calls open the fake's dialogs through the dispatch
  // table: WlxLoggedOutSAS the logon dialog, WlxWkstaLockedSAS the unlock
  // dialog, WlxLoggedOnSAS the change-password dialog.
  bool openDialogs = true;
  WORD logonDialogId = 1500;
  WORD unlockDialogId = 1800;
  WORD changePasswordDialogId = 1700;
  // Items the fake's dialog procedure destroys at WM_INITDIALOG, so its
  // dialog lacks them.
  std::set<int> itemsRemovedAtInit;
};

FakeGinaSettings& FakeGinaConfig();

// The distinct answer of every entry point but WlxNegotiate (a BOOL or int
// result is returned as this number unchanged).
int FakeGinaAnswer(const std::string& entryPoint);
// The context pointer the fake's WlxInitialize hands back.
PVOID FakeGinaContext();

void RecordFakeGinaCall(FakeGinaCall call);
std::vector<FakeGinaCall> FakeGinaCalls();
// The calls of one entry point, oldest first.
std::vector<FakeGinaCall> FakeGinaCallsOf(const std::string& name);

void RecordFakeDialogMessage(const FakeDialogMessage& message);
std::vector<FakeDialogMessage> FakeDialogMessages();
// The results the fake's dialogs ended with, as its dispatch-table call
// answered them, oldest first.
void RecordFakeDialogResult(WORD dialogId, int result);
std::vector<std::pair<WORD, int>> FakeDialogResults();

// Forgets the calls, messages and results and restores the settings.
void ResetFakeGina();
// Forgets the calls, messages and results; the settings stay.
void ClearFakeGinaRecord();

// The dialog id the fake opened `dialog` as (from its WM_INITDIALOG); 0
// for a window that is not one of its dialogs.
WORD FakeDialogIdOf(HWND dialog);
