// Dialogs made from templates, and the dialog class.
#include "platform/windows/dialog.h"

#include "platform/base/last_error.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/resources.h"
#include "platform/windows/window_table.h"

namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

}  // namespace

int DialogUnitsToPixelsX(int units) { return units * kBaseUnitX / 4; }
int DialogUnitsToPixelsY(int units) { return units * kBaseUnitY / 8; }

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DialogTemplate* t, HWND owner, DLGPROC procedure,
                                LPARAM param) {
  if (t == nullptr || procedure == nullptr) return nullptr;
  const HWND dialog = CreateWindowExW(t->exStyle, u"#32770", t->caption, t->style & ~WS_VISIBLE,
                                      DialogUnitsToPixelsX(t->x), DialogUnitsToPixelsY(t->y),
                                      DialogUnitsToPixelsX(t->cx), DialogUnitsToPixelsY(t->cy), owner, 0, instance,
                                      nullptr);
  if (dialog == nullptr) return nullptr;
  WithWindowRecord(dialog, [procedure](CWindowRecord& r) { r.dialogProcedure = procedure; });
  HWND firstTabStop = nullptr;
  for (WORD i = 0; i < t->itemCount; ++i) {
    const DialogItemTemplate& item = t->items[i];
    const HWND control = CreateWindowExW(item.exStyle, item.className, item.text, item.style | WS_CHILD,
                                         DialogUnitsToPixelsX(item.x), DialogUnitsToPixelsY(item.y),
                                         DialogUnitsToPixelsX(item.cx), DialogUnitsToPixelsY(item.cy), dialog,
                                         item.id, instance, nullptr);
    if (control == nullptr) {
      DestroyWindow(dialog);
      return nullptr;
    }
    if (firstTabStop == nullptr && (item.style & WS_TABSTOP) != 0) firstTabStop = control;
  }
  if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), param) != 0 &&
      firstTabStop != nullptr) {
    SetFocus(firstTabStop);
  }
  if (IsWindow(dialog) && (t->style & WS_VISIBLE) != 0) ShowWindow(dialog, SW_SHOW);
  return IsWindow(dialog) ? dialog : nullptr;
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
  DWORD error = ERROR_SUCCESS;
  const ResourceEntry* resource = FindModuleResource(instance, RT_DIALOG, templateName, error);
  if (resource == nullptr) {
    SetLastError(error);
    return nullptr;
  }
  return CreateDialogIndirectParamW(instance, static_cast<const DialogTemplate*>(resource->data), owner, procedure,
                                    param);
}

LRESULT DialogWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto record = WindowRecordCopy(window);
  if (record && record->dialogProcedure != nullptr) {
    const INT_PTR handled = record->dialogProcedure(window, message, wParam, lParam);
    if (handled != 0) return handled;
  }
  // A dialog is closed as its Cancel button would close it.
  if (message == WM_CLOSE) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

BOOL IsDialogMessageA(HWND dialog, MSG* message) {
  if (message == nullptr || !IsWindow(dialog)) return FALSE;
  if (message->hwnd != dialog && !IsChild(dialog, message->hwnd)) return FALSE;
  DispatchMessageA(message);
  return TRUE;
}
