// Modal dialogs: the owner disabled, a loop on the calling thread until
// EndDialog, and the host's agent asked to act whenever the loop has
// nothing to do.
#include "platform/base/last_error.h"
#include "platform/windows/dialog.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/resources.h"
#include "platform/windows/user_agent.h"
#include "platform/windows/window_table.h"

namespace {

bool Ended(HWND dialog) {
  const auto ended = WindowRecordField(dialog, &CWindowRecord::ended);
  return !ended || *ended;
}

// Runs the dialog's messages until it ends; WM_QUIT ends it too and is
// posted again for the loop outside.
void RunModalLoop(HWND dialog, HWND owner) {
  while (!Ended(dialog)) {
    MSG message{};
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        EndDialog(dialog, 0);
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      if (!IsDialogMessageA(dialog, &message)) DispatchMessageA(&message);
      continue;
    }
    if (owner != nullptr) SendNotifyMessageW(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
    if (Ended(dialog)) return;
    const ModalAgent agent = CurrentModalAgent();
    if (agent && agent(dialog)) continue;
    // Nobody is there: the dialog is closed as the user would close it, and
    // one that will not close is ended as cancelled.
    if (!Ended(dialog)) SendMessageW(dialog, WM_CLOSE, 0, 0);
    if (!Ended(dialog)) EndDialog(dialog, IDCANCEL);
  }
}

INT_PTR RunModal(HINSTANCE instance, const DialogTemplate* dialogTemplate, WORD templateId, HWND owner,
                 DLGPROC procedure, LPARAM param) {
  if (owner == GetDesktopWindow()) owner = nullptr;
  // The owner is disabled before the dialog's procedure sees it.
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  const HWND dialog = MakeDialog(instance, dialogTemplate, templateId, owner, procedure, param, true);
  if (dialog == nullptr) {
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    return -1;
  }
  if (!Ended(dialog)) ShowWindow(dialog, SW_SHOW);
  PushModalDialog(dialog);
  RunModalLoop(dialog, owner);
  PopModalDialog(dialog);
  const auto result = WindowRecordField(dialog, &CWindowRecord::endResult);
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (!result) return 0;
  DestroyWindow(dialog);
  return *result;
}

}  // namespace

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate* dialogTemplate, HWND owner,
                                DLGPROC procedure, LPARAM param) {
  return RunModal(instance, dialogTemplate, 0, owner, procedure, param);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
  const ResourceEntry* resource = DialogResource(instance, templateName);
  if (resource == nullptr) return -1;
  return RunModal(instance, static_cast<const DialogTemplate*>(resource->data), resource->id, owner, procedure,
                  param);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
  return DialogBoxParamW(instance, reinterpret_cast<LPCWSTR>(templateName), owner, procedure, param);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  bool modal = false;
  const bool found = WithWindowRecord(dialog, [&](CWindowRecord& r) {
    r.ended = true;
    r.endResult = result;
    modal = r.modal;
  });
  if (!found) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!modal) ShowWindow(dialog, SW_HIDE);
  return TRUE;
}
