// Dialogs made from templates, and the dialog class.
#include "platform/windows/dialog.h"

#include <string>

#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/windows/font.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/resources.h"
#include "platform/windows/window_table.h"

namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// The template's font: its typeface at its size for a screen of 96 dots an
// inch; none without a typeface (the system font).
HFONT TemplateFont(const DialogTemplate& t) {
  if (t.typeface == nullptr || t.pointSize == 0) return nullptr;
  LOGFONTA font{};
  font.lfHeight = -((t.pointSize * 96 + 36) / 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  const std::string face = Utf16ToUtf8(t.typeface);
  face.copy(font.lfFaceName, Utf8CutPoint(face, LF_FACESIZE - 1));
  return CreateFontIndirectA(&font);
}

}  // namespace

int DialogUnitsToPixelsX(int units) { return units * kBaseUnitX / 4; }
int DialogUnitsToPixelsY(int units) { return units * kBaseUnitY / 8; }

HWND MakeDialog(HINSTANCE instance, const DialogTemplate* t, WORD templateId, HWND owner, DLGPROC procedure,
                LPARAM param, bool modal) {
  if (t == nullptr || procedure == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const HWND dialog = CreateWindowExW(t->exStyle, u"#32770", t->caption, t->style & ~WS_VISIBLE,
                                      DialogUnitsToPixelsX(t->x), DialogUnitsToPixelsY(t->y),
                                      DialogUnitsToPixelsX(t->cx), DialogUnitsToPixelsY(t->cy), owner, 0, instance,
                                      nullptr);
  if (dialog == nullptr) return nullptr;
  const HFONT font = TemplateFont(*t);
  WithWindowRecord(dialog, [&](CWindowRecord& r) {
    r.dialogProcedure = procedure;
    r.dialogTemplateId = templateId;
    r.modal = modal;
    r.ownFont = font;
  });
  if (font != nullptr) SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
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
    if (font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (firstTabStop == nullptr && (item.style & WS_TABSTOP) != 0) firstTabStop = control;
  }
  if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), param) != 0 &&
      firstTabStop != nullptr) {
    SetFocus(firstTabStop);
  }
  if (IsWindow(dialog) && (t->style & WS_VISIBLE) != 0) ShowWindow(dialog, SW_SHOW);
  return IsWindow(dialog) ? dialog : nullptr;
}

const ResourceEntry* DialogResource(HINSTANCE instance, const void* templateName) {
  DWORD error = ERROR_SUCCESS;
  const ResourceEntry* resource = FindModuleResource(instance, RT_DIALOG, templateName, error);
  if (resource == nullptr) SetLastError(error);
  return resource;
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DialogTemplate* t, HWND owner, DLGPROC procedure,
                                LPARAM param) {
  return MakeDialog(instance, t, 0, owner, procedure, param, false);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
  const ResourceEntry* resource = DialogResource(instance, templateName);
  if (resource == nullptr) return nullptr;
  return MakeDialog(instance, static_cast<const DialogTemplate*>(resource->data), resource->id, owner, procedure,
                    param, false);
}

LRESULT DialogWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto procedure = WindowRecordField(window, &CWindowRecord::dialogProcedure);
  if (procedure && *procedure != nullptr) {
    const INT_PTR handled = (*procedure)(window, message, wParam, lParam);
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
