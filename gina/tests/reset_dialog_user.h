// The user in front of the reset dialogs, scripted: a list of acts, each on
// the dialog of its kind when that one is in front, run by the window
// model's modal loops; the message boxes shown on the way, answered OK; and
// what the reset dialog's log list said, read whenever the user looks.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/windows/message_box.h"
#include "platform/windows/window_types.h"

// Which dialog is in front.
enum class DialogKind {
  Logon,        // the chained library's logon dialog
  Unlock,       // the chained library's unlock dialog
  Reset,        // 102
  Questions,    // 103
  NewPassword,  // 104
  Other,
};
DialogKind KindOf(HWND dialog);

struct UserStep {
  DialogKind kind;
  std::function<void(HWND dialog)> act;
};

class CScriptedResetUser {
 public:
  // Installs the agent and the message-box sink while it lives. An act
  // runs only when its dialog kind is in front; otherwise the user has
  // nothing to do and the dialog in front is closed, as the model does.
  explicit CScriptedResetUser(std::vector<UserStep> steps);
  ~CScriptedResetUser();
  CScriptedResetUser(const CScriptedResetUser&) = delete;
  CScriptedResetUser& operator=(const CScriptedResetUser&) = delete;

  // How many acts ran; all of them when the script went as planned.
  std::size_t StepsRun() const { return next; }
  std::size_t StepCount() const { return steps.size(); }
  // The boxes shown so far, oldest first; and taking them.
  std::vector<MessageBoxRequest> TakeBoxes();
  // The reset dialog's log lines when the user last looked (at each act and
  // each box).
  const std::vector<std::string>& LogLines() const { return logLines; }
  // The dialog kinds in front when the user was asked, in order.
  const std::vector<DialogKind>& Seen() const { return seen; }

 private:
  void Look();

  std::vector<UserStep> steps;
  std::size_t next = 0;
  std::vector<MessageBoxRequest> boxes;
  std::vector<std::string> logLines;
  std::vector<DialogKind> seen;
};

// Acts: click an item; type into an item, then click (OK unless told);
// type the new password and its confirmation, then click OK.
std::function<void(HWND)> ClickItem(int id);
std::function<void(HWND)> TypeAndClick(int item, std::string text, int button = 1);
std::function<void(HWND)> TypePasswords(std::string password, std::string confirmation);

class CGinaTestSystem;
class CWinlogonDriver;

// Winlogon with Vantrope and the fake chained library, the reset buttons on,
// the default domain and CentralServer "localhost" set (`moreKeys`: further
// registry sections, such as the DC's Platform key), and a scripted user run
// from the logon dialog's reset or unlock button. The system points the
// environment at its own folder: start the service first.
class CResetDialogRun {
 public:
  CResetDialogRun(const std::string& domain, const std::string& moreKeys = "");
  ~CResetDialogRun();

  // LoggedOutSAS with the script after a click on the logon dialog's reset
  // button (unlock: its unlock button); the script must run whole.
  void Run(std::vector<UserStep> steps, bool unlock = false);
  CScriptedResetUser& User() { return *user; }
  // What dialog 102 ended with (-2 when it never opened).
  int ResetDialogResult() const;

 private:
  std::unique_ptr<CGinaTestSystem> system;
  std::unique_ptr<CWinlogonDriver> winlogon;
  std::unique_ptr<CScriptedResetUser> user;
};

// Whether `lines` holds `wanted` in this order (other lines between them).
::testing::AssertionResult HasLinesInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& wanted);
