// The session interface's own part: its message.
#include "credprov/pwd_reset_session.h"

IPwdResetSession::~IPwdResetSession() = default;
