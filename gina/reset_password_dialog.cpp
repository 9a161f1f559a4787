// Dialog 102, "Reset Password" ("Unlock Account" in unlock mode): opens with
// the log list hidden, finds and connects to the reset service, and on OK
// looks the user up and runs the questions, then the new password or the
// unlock, all on the one connection.
#include <string>

#include "RemoteSvr/common/build_number.h"
#include "RemoteSvr/common/record_client.h"
#include "gina/dialog_text.h"
#include "gina/log_list.h"
#include "gina/reset_dialog_state.h"
#include "gina/reset_dialogs.h"
#include "gina/reset_record_client.h"
#include "gina/service_search.h"
#include "gina/logon_dialogs.h"
#include "gina/vantrope_module.h"
#include "gina/vantrope_resources.h"
#include "platform/base/user_and_computer_name.h"
#include "platform/windows/dialog.h"
#include "platform/windows/icon.h"
#include "platform/windows/message_box.h"

namespace {

// A successful lookup without a question would let anyone through to the
// new password; the provider refuses it with the same words.
constexpr char kNoQuestions[] = "You do not have any security questions defined.";
constexpr char kUserNameTooLong[] = "The user name is too long for the Varnok Password Reset server.";
constexpr char kDomainTooLong[] = "The domain name is too long for the Varnok Password Reset server.";

// The item's top in the dialog's client coordinates.
int ClientTop(HWND dialog, int id) {
  RECT rect{};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  POINT corner{rect.left, rect.top};
  ScreenToClient(dialog, &corner);
  return corner.y;
}

void EnableOk(HWND dialog, bool enable) { EnableWindow(GetDlgItem(dialog, IDOK), enable ? TRUE : FALSE); }

void WriteBanner(HWND list) {
  AddLogLine(list, "Varnok Self-Service Password Reset");
  AddLogLineF(list, "Version %d.%d.%d", 2, 0, static_cast<int>(GetBuildNumber()));
  AddLogLine(list, "");
  char name[256] = {};
  DWORD size = sizeof(name);
  GetUserNameA(name, &size);
  name[sizeof(name) - 1] = '\0';
  AddLogLineF(list, "Current username = %s", name);
  char computer[256] = {};
  size = sizeof(computer);
  GetComputerNameA(computer, &size);
  computer[sizeof(computer) - 1] = '\0';
  AddLogLineF(list, "Current computer = %s", computer);
}

BOOL OnInitDialog(HWND dialog, LPARAM param) {
  CResetDialogState& state = ResetDialogState();
  SendMessageA(dialog, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(VantropeModule(), MAKEINTRESOURCEA(IDI_VANTROPE))));
  CentreDialog(dialog);
  EnableOk(dialog, false);
  state.domain.clear();
  state.userName.clear();
  state.ClearQuestions();
  state.unlockMode = param == IDC_UNLOCK_ACCOUNT_BUTTON;
  if (state.unlockMode) SetWindowTextA(dialog, "Unlock Account");
  state.logList = GetDlgItem(dialog, IDC_LOG_LIST);

  state.buttonTop = ClientTop(dialog, IDC_DETAILS);
  state.listTop = ClientTop(dialog, IDC_LOG_LIST);
  RECT window{};
  GetWindowRect(dialog, &window);
  state.expandedHeight = window.bottom - window.top;
  state.detailsShown = true;
  ShowDetails(dialog, FALSE);

  const HWND list = state.logList;
  WriteBanner(list);
  const std::string domain = DefaultDomainName();
  SendDlgItemMessageA(dialog, IDC_DOMAIN, CB_RESETCONTENT, 0, 0);
  SendDlgItemMessageA(dialog, IDC_DOMAIN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(domain.c_str()));
  SendDlgItemMessageA(dialog, IDC_DOMAIN, CB_SETCURSEL, 0, 0);
  if (domain.empty()) {
    AddLogLine(list, "Default domain name not found");
    EnableOk(dialog, false);
    return TRUE;
  }
  AddLogLineF(list, "Default domain = %s", domain.c_str());
  std::vector<std::string> names;
  if (!FindServerNames(list, domain, names)) return TRUE;
  if (ConnectToAnyServer(list, names)) state.ClearQuestions();
  return TRUE;
}

// The lookup; false when the dialogue cannot go on (the dialog stays).
bool LookUpUser(HWND dialog) {
  CResetDialogState& state = ResetDialogState();
  GetDlgItemString(dialog, IDC_DOMAIN, state.domain);
  GetDlgItemString(dialog, IDC_USERNAME, state.userName);
  state.ClearQuestions();
  // A name cut to fit the record would be another account's.
  if (!FitsRecordField(state.userName) || !FitsRecordField(state.domain)) {
    MessageBoxA(dialog, FitsRecordField(state.userName) ? kDomainTooLong : kUserNameTooLong, "Error", MB_ICONERROR);
    return false;
  }
  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, state.domain, state.userName);
  if (!TransactRecord(state.logList, record)) {
    WipeRecord(record);
    return false;
  }
  if (!ReplySucceeded(record)) {
    const std::string text = ReplyText(record);
    WipeRecord(record);
    MessageBoxA(dialog, text.c_str(), "Error", MB_ICONINFORMATION);
    return false;
  }
  // Room for every slot first, so no stored answer is copied on the way.
  state.questions.reserve(MAX_QUESTIONS);
  state.hints.reserve(MAX_QUESTIONS);
  state.answers.reserve(MAX_QUESTIONS);
  const int count = ReplyQuestions(record, state.questions, state.hints, state.answers);
  WipeRecord(record);
  AddLogLineF(state.logList, "%d questions returned", count);
  if (count == 0) {
    MessageBoxA(dialog, kNoQuestions, "Error", MB_ICONINFORMATION);
    return false;
  }
  return true;
}

// The flow after the OK of dialog 102; the dialog's end code, or nothing
// when it stays open.
void OnOk(HWND dialog) {
  CResetDialogState& state = ResetDialogState();
  if (!LookUpUser(dialog)) return;
  if (OpenLibraryDialog(IDD_RESET_QUESTIONS, dialog, ResetQuestionsDlgProc) != 1) return;
  bool done = false;
  if (state.unlockMode) {
    done = DoUnlockAccount(dialog) != 0;
  } else {
    done = OpenLibraryDialog(IDD_NEW_PASSWORD, dialog, NewPasswordDlgProc) == 1;
  }
  CloseServerSocket();
  state.ClearQuestions();
  EndDialog(dialog, done ? 1 : 0);
}

}  // namespace

INT_PTR ResetPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  CResetDialogState& state = ResetDialogState();
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
      // Typing reaches the dialog as the edit's EN_CHANGE alone here (no
      // painting traffic follows it), so that is when OK follows the name.
      if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_USERNAME) {
        EnableOk(dialog, !ItemTextBlank(dialog, IDC_USERNAME));
        return 0;
      }
      if (HIWORD(wParam) != 0) return 0;
      switch (LOWORD(wParam)) {
        case IDC_DETAILS:
          ShowDetails(dialog, state.detailsShown ? FALSE : TRUE);
          break;
        case IDCANCEL:
          CloseServerSocket();
          state.ClearQuestions();
          EndDialog(dialog, 0);
          break;
        case IDOK:
          OnOk(dialog);
          break;
        default:
          break;
      }
      return 0;
    case WM_DESTROY:
      // The stored answers go with the dialog, however it ends.
      state.ClearQuestions();
      state.logList = nullptr;
      return 0;
    default:
      if (GetDlgItem(dialog, IDC_USERNAME) != nullptr) EnableOk(dialog, !ItemTextBlank(dialog, IDC_USERNAME));
      return 0;
  }
}

void ShowDetails(HWND dialog, BOOL show) {
  CResetDialogState& state = ResetDialogState();
  const bool shown = show != FALSE;
  if (shown == state.detailsShown) return;
  const int top = shown ? state.buttonTop : state.listTop;
  for (const int id : {IDOK, IDCANCEL, IDC_DETAILS}) {
    const HWND button = GetDlgItem(dialog, id);
    RECT rect{};
    GetWindowRect(button, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    const RECT moved{rect.left, top, rect.right, top + (rect.bottom - rect.top)};
    SetWindowPos(button, nullptr, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top,
                 SWP_NOZORDER);
    InvalidateRect(dialog, &moved, FALSE);
  }
  SetDlgItemTextA(dialog, IDC_DETAILS, shown ? "<< Details" : "Details >>");
  ShowWindow(GetDlgItem(dialog, IDC_LOG_LIST), shown ? SW_SHOW : SW_HIDE);
  RECT window{};
  GetWindowRect(dialog, &window);
  const int height = shown ? state.expandedHeight : state.expandedHeight - state.buttonTop + state.listTop;
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, height, SWP_NOMOVE | SWP_NOZORDER);
  state.detailsShown = shown;
}
