// The field table.
#include "credprov/field_table.h"

namespace {

// The labels live here; descriptors point at them and are only copied out.
char16_t kLogo[] = u"Varnok Logo";
char16_t kFunction[] = u"Selected Function";
char16_t kBanner[] = u"Varnok Self-Service";
char16_t kInstruction[] = u"Instruction text";
char16_t kUsername[] = u"Username";
char16_t kQuestion[] = u"Question text";
char16_t kAnswer[] = u"Your Answer";
char16_t kHint[] = u"Hint link";
char16_t kSkip[] = u"Skip link";
char16_t kNewPassword[] = u"Enter new password";
char16_t kConfirm[] = u"Confirm new password";
char16_t kRules[] = u"Password rules";
char16_t kSubmit[] = u"Submit";

}  // namespace

const CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR PWD_RESET_FIELDS[FIELD_COUNT] = {
    {FIELD_TILE_IMAGE, CPFT_TILE_IMAGE, kLogo, CPFG_CREDENTIAL_PROVIDER_LOGO},
    {FIELD_FUNCTION, CPFT_LARGE_TEXT, kFunction, CPFG_CREDENTIAL_PROVIDER_LABEL},
    {FIELD_BANNER, CPFT_SMALL_TEXT, kBanner, GUID_NULL},
    {FIELD_INSTRUCTION, CPFT_SMALL_TEXT, kInstruction, GUID_NULL},
    {FIELD_USERNAME, CPFT_EDIT_TEXT, kUsername, GUID_NULL},
    {FIELD_QUESTION, CPFT_SMALL_TEXT, kQuestion, GUID_NULL},
    {FIELD_ANSWER, CPFT_EDIT_TEXT, kAnswer, GUID_NULL},
    {FIELD_HINT_LINK, CPFT_COMMAND_LINK, kHint, GUID_NULL},
    {FIELD_SKIP_LINK, CPFT_COMMAND_LINK, kSkip, GUID_NULL},
    {FIELD_NEW_PASSWORD, CPFT_PASSWORD_TEXT, kNewPassword, GUID_NULL},
    {FIELD_CONFIRM_PASSWORD, CPFT_PASSWORD_TEXT, kConfirm, GUID_NULL},
    {FIELD_RULES_LINK, CPFT_COMMAND_LINK, kRules, GUID_NULL},
    {FIELD_SUBMIT, CPFT_SUBMIT_BUTTON, kSubmit, GUID_NULL},
};

const FieldStatePair PWD_RESET_INITIAL_STATES[FIELD_COUNT] = {
    {CPFS_DISPLAY_IN_BOTH, CPFIS_NONE},
    {CPFS_DISPLAY_IN_BOTH, CPFIS_NONE},
    {CPFS_DISPLAY_IN_DESELECTED_TILE, CPFIS_NONE},
    {CPFS_DISPLAY_IN_SELECTED_TILE, CPFIS_NONE},
    {CPFS_DISPLAY_IN_SELECTED_TILE, CPFIS_FOCUSED},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
    {CPFS_HIDDEN, CPFIS_NONE},
};
