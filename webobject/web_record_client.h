// The web object's side of the record protocol: the one connection of the
// process to the reset service, shared by every web object in it, and the
// four requests it sends over the shared record helpers
// (RemoteSvr/common/record_client.h). One lock covers each exchange and the
// closing, so objects on several threads never interleave within a record.
// Nothing here writes a text of its own: results, and the service's reply
// text where one came back.
#pragma once

#include <string>
#include <string_view>

#include "platform/winsock/host_lookup.h"
#include "webobject/own_string_array.h"

// Closes the connection when it is open.
void CloseServerSocket();

// Closes any connection, then connects to the first address of `host` on the
// service's port. 1 connected, 0 not.
int ConnectToServer(const HOSTENT& host);

// Each name without its leading "\" characters, resolved and connected in
// turn. 1 when one of them connected, 0 otherwise.
int ConnectToAnyServer(const std::u16string* names, std::size_t count);

// The record's text form of the arguments below: UTF-8 of at most 255 bytes
// (field width less its zero) of text that converts whole (no lone
// surrogate, no zero). Texts that do not pass are never sent cut or empty:
// callers refuse them first with RecordFieldTextFits.
bool RecordFieldTextFits(std::u16string_view text);

// What a request came to.
enum {
  EXCHANGE_FAILED = 0,     // no reply (no connection, a transfer failed or a reply out of form)
  LOOKUP_GRANTED = 1,      // the lists are filled
  LOOKUP_REFUSED = 2,      // the service's text is in `replyText`
  PASSWORD_SET = 1,        // the service's text is in `replyText`
  PASSWORD_REFUSED = 3,    // the service's text is in `replyText`
  ACCOUNT_UNLOCKED = 1,    // the service's text is in `replyText`
  UNLOCK_REFUSED = 4,      // the service's text is in `replyText`
};

// REQUEST_LOOKUP_USER: on success the questions, stored answers (plain or
// "md5:" form) and hints of the reply are appended, slot by slot up to the
// first empty question.
int LookupUserOnServer(std::u16string_view domain, std::u16string_view userName, COwnStringArray& questions,
                       COwnStringArray& answers, COwnStringArray& hints, std::u16string& replyText);
int SetPasswordOnServer(std::u16string_view domain, std::u16string_view userName, std::u16string_view newPassword,
                        std::u16string& replyText);
int UnlockAccountOnServer(std::u16string_view domain, std::u16string_view userName, std::u16string& replyText);
// REQUEST_FAILURE_NOTIFICATION, which gets no reply: 1 when it was sent.
int NotifyFailureToServer(std::u16string_view domain, std::u16string_view userName);
