// The field encipherment of the record, the same for the service and every
// client: key = the domain field's bytes (the schedule takes its first 72),
// each of userName, newPassword, questions, hints and answers one CBC chain of
// its own from the fixed IV.
#pragma once

#include "RemoteSvr/common/pwd_reset_record.h"

// Enciphers the five fields and sets `encrypted` to 1.
void EncipherRecordFields(PwdResetRecord& record);

// When `encrypted` is nonzero, deciphers the five fields and sets it to 0, so
// a record is never deciphered twice; a plain record is left as it is.
void DecipherRecordFields(PwdResetRecord& record);
