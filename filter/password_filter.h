// Morrowen's exports: the Local Security Authority's password-filter and
// change-notification interface. Only these three leave the library.
#pragma once

#include <cstdint>

#include "platform/lsa/ntsecapi.h"

#define MORROWEN_EXPORT extern "C" __attribute__((visibility("default")))

MORROWEN_EXPORT BOOLEAN NTAPI InitializeChangeNotify(void);
MORROWEN_EXPORT NTSTATUS NTAPI PasswordChangeNotify(PUNICODE_STRING userName, ULONG relativeId,
                                                    PUNICODE_STRING newPassword);
MORROWEN_EXPORT BOOLEAN NTAPI PasswordFilter(PUNICODE_STRING accountName, PUNICODE_STRING fullName,
                                             PUNICODE_STRING password, BOOLEAN setOperation);

// The body of PasswordFilter: the rule engine's 1 (accept) or 0 (reject).
std::int32_t RunPasswordFilter(const UNICODE_STRING* accountName, const UNICODE_STRING* fullName,
                               const UNICODE_STRING* password);
