// Dialogs 101 to 104 as data, and icon 128.
#include "gina/vantrope_resources.h"

#include "platform/windows/dialog.h"

namespace {

// An item without an id of its own.
constexpr WORD IDC_STATIC = 0xFFFF;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr WORD kPointSize = 8;
constexpr char16_t kTypeface[] = u"MS Sans Serif";

const DialogItemTemplate kRulesItems[] = {
    {u"EDIT", u"", IDC_RULES_TEXT, WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, WS_EX_STATICEDGE, 4, 4, 356,
     256},
    {u"BUTTON", u"&Accept", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4, 264, 130, 14},
    {u"BUTTON", u"&Decline", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 140, 264, 130, 14},
};

const DialogItemTemplate kResetPasswordItems[] = {
    {u"STATIC", u"&Username:", IDC_STATIC, WS_VISIBLE | SS_LEFT, 0, 7, 8, 39, 8},
    {u"EDIT", u"", IDC_USERNAME, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 48, 6, 151, 14},
    {u"STATIC", u"&Domain:", IDC_STATIC, WS_VISIBLE | SS_LEFT, 0, 7, 24, 39, 8},
    {u"COMBOBOX", u"", IDC_DOMAIN, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 48, 22, 151, 152},
    {u"STATIC", u"", IDC_STATIC, WS_VISIBLE | SS_ETCHEDHORZ, WS_EX_STATICEDGE, 8, 40, 191, 1},
    {u"LISTBOX", u"", IDC_LOG_LIST,
     WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 7, 48, 192,
     84},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 135, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 60, 135, 50, 14},
    {u"BUTTON", u"<< Details", IDC_DETAILS, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 149, 135, 50, 14},
};

const DialogItemTemplate kResetQuestionsItems[] = {
    {u"STATIC", u"", IDC_QUESTION, WS_VISIBLE | SS_LEFT, 0, 7, 7, 178, 18},
    {u"EDIT", u"", IDC_ANSWER, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL, 0, 7, 31, 178, 14},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 53, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 59, 53, 50, 14},
    {u"BUTTON", u"&Hint", IDC_HINT, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 135, 53, 50, 14},
};

const DialogItemTemplate kNewPasswordItems[] = {
    {u"STATIC", u"", IDC_PROMPT, WS_VISIBLE | SS_LEFT, 0, 7, 7, 173, 18},
    {u"STATIC", u"Password:", IDC_STATIC, WS_VISIBLE | SS_LEFT, 0, 7, 32, 38, 8},
    {u"EDIT", u"", IDC_NEW_PASSWORD, WS_VISIBLE | WS_TABSTOP | ES_PASSWORD, 0, 48, 32, 132, 14},
    {u"STATIC", u"Confirm:", IDC_STATIC, WS_VISIBLE | SS_LEFT, 0, 7, 49, 38, 8},
    {u"EDIT", u"", IDC_CONFIRM, WS_VISIBLE | WS_TABSTOP | ES_PASSWORD, 0, 48, 48, 132, 14},
    {u"BUTTON", u"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 71, 50, 14},
    {u"BUTTON", u"Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 59, 71, 50, 14},
};

template <std::size_t N>
constexpr WORD Count(const DialogItemTemplate (&)[N]) {
  return static_cast<WORD>(N);
}

constexpr DialogTemplate Dialog(LPCWSTR caption, short cx, short cy, const DialogItemTemplate* items, WORD count) {
  return DialogTemplate{.style = kDialogStyle,
                        .exStyle = 0,
                        .x = 0,
                        .y = 0,
                        .cx = cx,
                        .cy = cy,
                        .caption = caption,
                        .pointSize = kPointSize,
                        .typeface = kTypeface,
                        .items = items,
                        .itemCount = count};
}

const DialogTemplate kRulesDialog = Dialog(u"Password Rules", 364, 282, kRulesItems, Count(kRulesItems));
const DialogTemplate kResetPasswordDialog =
    Dialog(u"Reset Password", 206, 156, kResetPasswordItems, Count(kResetPasswordItems));
const DialogTemplate kResetQuestionsDialog =
    Dialog(u"Reset Questions", 192, 74, kResetQuestionsItems, Count(kResetQuestionsItems));
const DialogTemplate kNewPasswordDialog = Dialog(u"New Password", 187, 92, kNewPasswordItems, Count(kNewPasswordItems));

// Nothing draws an icon: its resource only has to be there to be loaded.
constexpr unsigned char kIcon[] = {0, 0, 1, 0, 0, 0};

const ResourceEntry kResources[] = {
    {RT_GROUP_ICON, IDI_VANTROPE, kIcon, sizeof kIcon},
    {RT_DIALOG, IDD_PASSWORD_RULES, &kRulesDialog, sizeof kRulesDialog},
    {RT_DIALOG, IDD_RESET_PASSWORD, &kResetPasswordDialog, sizeof kResetPasswordDialog},
    {RT_DIALOG, IDD_RESET_QUESTIONS, &kResetQuestionsDialog, sizeof kResetQuestionsDialog},
    {RT_DIALOG, IDD_NEW_PASSWORD, &kNewPasswordDialog, sizeof kNewPasswordDialog},
};

}  // namespace

const ResourceEntry* VantropeResources(std::size_t& count) {
  count = sizeof kResources / sizeof kResources[0];
  return kResources;
}
