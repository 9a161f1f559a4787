// The session interface's own part: its message, and one server as a list
// of one.
#include "credprov/pwd_reset_session.h"

IPwdResetSession::~IPwdResetSession() = default;

bool IPwdResetSession::Connect(const char16_t* server, std::uint16_t port, bool basic, bool tls) {
  CWideStringArray one;
  one.Add(server == nullptr ? std::u16string_view() : std::u16string_view(server));
  return Connect(one, port, basic, tls);
}
