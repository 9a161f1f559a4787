// The library's resources, compiled in: the rules dialog (101), the reset,
// questions and new-password dialogs (102 to 104) and the icon (128) the
// dialogs show.
#pragma once

#include <cstddef>

#include "platform/windows/resources.h"

inline constexpr WORD IDD_PASSWORD_RULES = 101;
inline constexpr WORD IDD_RESET_PASSWORD = 102;
inline constexpr WORD IDD_RESET_QUESTIONS = 103;
inline constexpr WORD IDD_NEW_PASSWORD = 104;
inline constexpr WORD IDI_VANTROPE = 128;

// Dialog 101.
inline constexpr int IDC_RULES_TEXT = 1000;
// Dialog 102.
inline constexpr int IDC_USERNAME = 1001;
inline constexpr int IDC_DOMAIN = 1002;
inline constexpr int IDC_LOG_LIST = 1003;
inline constexpr int IDC_DETAILS = 1009;
// Dialog 103.
inline constexpr int IDC_QUESTION = 1004;
inline constexpr int IDC_ANSWER = 1005;
inline constexpr int IDC_HINT = 1008;
// Dialog 104.
inline constexpr int IDC_PROMPT = 1006;
inline constexpr int IDC_NEW_PASSWORD = 1007;
inline constexpr int IDC_CONFIRM = 1008;

// The table the loader hands to the windows layer.
const ResourceEntry* VantropeResources(std::size_t& count);
