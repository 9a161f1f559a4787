// What every client of the reset service does with a record, over a socket
// the client has connected: build the request, encipher and send it, read and
// decipher the one reply, and take the result, the reply text and the
// questions out of it. The answer check is AnswerMatches (hashed_answer.h).
// Records that held a password or answers are wiped by their owner
// (WipeRecord) when done with.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "RemoteSvr/common/socket_transfer.h"

// How long a client waits for the whole reply, so a silent service never
// freezes a logon screen.
inline constexpr std::chrono::milliseconds REPLY_TIME_LIMIT{30000};

// A cleared record with the header, the request code, result 0, and domain,
// userName (and newPassword) as zero-ended text of at most 255 bytes, the
// rest of each field zero (the whole domain field is the key).
void BuildRequest(PwdResetRecord& record, std::uint32_t code, std::string_view domain, std::string_view userName,
                  std::string_view newPassword = {});

// Enciphers the five fields, sets `encrypted`, and sends all 5148 bytes; the
// record is left enciphered. 1 when sent; 0 with `message` set.
int SendRequest(SOCKET s, PwdResetRecord& record, std::string& message);

// Reads one reply of 5148 bytes (its magic and totalLength checked) within
// `limit`, and
// deciphers its fields when it says they are enciphered. The socket's own
// receive time-out is left as it was. 1 when read; 0 with `message` set.
int ReceiveReply(SOCKET s, PwdResetRecord& reply, std::string& message,
                 std::chrono::milliseconds limit = REPLY_TIME_LIMIT);

// SendRequest, then for codes 0 to 2 ReceiveReply into the same record
// (cleared first); the other codes get no reply and read none.
int TransactRecord(SOCKET s, PwdResetRecord& record, std::string& message);

// Any nonzero result is success; on failure the user is shown ReplyText.
bool ReplySucceeded(const PwdResetRecord& reply);
std::string ReplyText(const PwdResetRecord& reply);

// The questions, hints and stored answers of a lookup's reply, slot by slot
// from slot 0 up to the first empty question. Returns how many.
int ReplyQuestions(const PwdResetRecord& reply, std::vector<std::string>& questions,
                   std::vector<std::string>& hints, std::vector<std::string>& answers);

// Counts one wrong answer: sent on the connection of the successful lookup,
// whose user the service remembers; domain and user name count only on a
// connection that has none. No reply. 1 when sent; 0 with `message` set.
int SendFailureNotification(SOCKET s, std::string_view domain, std::string_view userName, std::string& message);
