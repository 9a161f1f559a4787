// The rules dialog: the password rules (the message-of-the-day text) in an
// always-on-top window beside the new-password step, on a thread of its own
// with its own message loop. The tile that starts it closes it: the close
// request is posted to the dialog's thread, which destroys the window and
// ends, and the tile waits for that.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/windows/window_types.h"

class CRulesDialog {
 public:
  // Starts the thread and waits until it has made the dialog (DIALOG 102 of
  // `module`, owned by `owner`, placed topmost at (16, 16) and shown);
  // nullptr when the dialog could not be made.
  static std::unique_ptr<CRulesDialog> Start(HINSTANCE module, HWND owner, std::optional<std::u16string> text,
                                             std::optional<std::u16string> caption);
  // Hides the dialog, asks its thread to close it, and waits for the thread.
  ~CRulesDialog();
  CRulesDialog(const CRulesDialog&) = delete;
  CRulesDialog& operator=(const CRulesDialog&) = delete;

  // The dialog's window; it stays recorded after the user closed it.
  HWND Window() const { return window; }

 private:
  CRulesDialog() = default;
  void Run(HINSTANCE module, HWND owner);

  // Read by the dialog procedure while the dialog is made.
  std::optional<std::u16string> text;
  std::optional<std::u16string> caption;
  HWND window = nullptr;
  std::thread thread;
};
