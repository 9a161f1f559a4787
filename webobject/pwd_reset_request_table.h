// The type library KESTRINELib as the registry knows it, over the member
// table of IPwdResetRequest (PWD_RESET_REQUEST_DISPATCH, pwd_reset_request.h).
#pragma once

#include "platform/com/type_library.h"

extern const CTypeLibrary KESTRINE_TYPE_LIBRARY;
