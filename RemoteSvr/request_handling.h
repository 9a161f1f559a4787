// Shared pieces of the four requests (request_handling.cpp and the
// lookup_request, account_requests and failure_notification files): the
// trace level, the user key, the refusal of keys that hold line breaks and
// the wipe of the fields a reply must not echo.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "RemoteSvr/common/pwd_reset_record.h"

inline constexpr std::int32_t REQUEST_TRACE_LEVEL = 9;

// The reply to a request whose domain or user name holds a CR, LF or TAB.
inline constexpr char INVALID_USER_TEXT[] = "The user name or domain holds a line break or tab character";

// "domain\user".
std::string UserKey(std::string_view domain, std::string_view userName);

// Whether the record's domain or user name holds a CR, LF or TAB.
bool HasInvalidUser(const PwdResetRecord& record);

// The text into replyText: at most 511 bytes, cut on a character boundary.
void SetReplyText(PwdResetRecord& record, std::string_view text);

// Wipes newPassword and every question, hint and answer slot to zero bytes.
// A reply is the request record changed in place: what a client sent in
// these fields never goes back, least of all a new password; a lookup fills
// its slots afterwards.
void WipeSecretFields(PwdResetRecord& record);
