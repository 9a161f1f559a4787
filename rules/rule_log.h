// The rule log "MorrowenRules.log": every step of every password check, one
// time-stamped line per open-append-close, so several processes can share it.
// Its folder is the system directory until a LOGDIR line switches it.
#pragma once

#include <string_view>

inline constexpr char RULES_LOG_NAME[] = "MorrowenRules.log";
// The longest message text a line holds; longer texts are cut.
inline constexpr std::size_t RULES_LOG_MAX_MESSAGE = 4095;

// Appends "[time] message" with the message formatted printf-style from
// UTF-8 arguments; a line that cannot be written is dropped.
void WriteRulesLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A process may also see every message text, before the file is chosen (the
// reset service traces them into its own log). Called under the engine lock
// with the text as formatted; null (the default) for none.
using RulesLogObserver = void (*)(std::string_view message);
void SetRulesLogObserver(RulesLogObserver observer);

// The LOGDIR step: moves the log to `directory` when a file can be created
// there, or back to the system directory when not.
void SwitchRulesLog(std::string_view directory);
