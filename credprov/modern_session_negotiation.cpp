// The typed-message session's connection: the first server that takes the
// connection, the negotiation of Basic security and TLS there, and the one
// request-one reply exchange every operation runs.
#include "credprov/modern_pwd_reset_session.h"

#include "credprov/typed_request.h"
#include "credprov/typed_response.h"
#include "platform/base/text.h"

namespace {

constexpr char16_t kNoServerAvailable[] =
    u"There are no Varnok Password Reset servers available to service your request.";
constexpr char16_t kNoSession[] = u"Could not establish a session with the Password Reset server.";
constexpr char16_t kSessionNotUnderstood[] = u"Could not understand a session with the Password Reset server.";
constexpr char16_t kNoAgreement[] = u"Could not agree on an encryption level.";
constexpr char16_t kNoBasicSecurity[] = u"Could not establish Basic Security with server.";
constexpr char16_t kNoTls[] = u"Could not start TLS conversation with server.";
// A refusal that brought no text of its own.
constexpr char16_t kSessionRefused[] = u"The Password Reset server refused the session.";

}  // namespace

CModernPwdResetSession::CModernPwdResetSession() : framing(socket) {}

CModernPwdResetSession::~CModernPwdResetSession() {
  if (socket.GetHandle() != INVALID_SOCKET) socket.Close();
}

void CModernPwdResetSession::SetTimeLimit(std::chrono::milliseconds limit) {
  socket.SetTimeLimit(limit);
  framing.SetTimeLimit(limit);
}

bool CModernPwdResetSession::Connect(const CWideStringArray& servers, std::uint16_t port, bool basic, bool tls) {
  // A session connected before starts over: plain, with no key.
  if (socket.GetHandle() != INVALID_SOCKET) socket.Close();
  framing.Reset();
  socket.SetPlainMode(1);
  if (socket.Create()) {
    for (std::uint32_t i = 0; i < servers.GetCount(); ++i) {
      const char16_t* server = servers.Get(i);
      const std::string host = Utf16ToUtf8(server == nullptr ? u"" : server);
      if (socket.Connect(host.c_str(), port)) {
        return EstablishSession((basic ? SESSION_FLAG_BASIC : 0) | (tls ? SESSION_FLAG_TLS : 0));
      }
    }
  }
  SetMessage(kNoServerAvailable);
  return false;
}

bool CModernPwdResetSession::Transact(Request& request, ResponsePacket& reply) {
  if (request.Built() && framing.Send(request.GetType(), request.GetBody(), request.GetLength()) &&
      framing.Receive(reply.Body())) {
    return true;
  }
  if (socket.GetHandle() != INVALID_SOCKET) socket.Close();
  return false;
}

void CModernPwdResetSession::SetReplyMessage(const std::optional<std::u16string>& text,
                                             std::u16string_view fallback) {
  SetMessage(text ? std::u16string_view(*text) : fallback);
}

bool CModernPwdResetSession::EstablishSession(std::uint32_t flags) {
  RequestEstablishSession request(flags);
  ResponsePacket packet;
  if (!Transact(request, packet)) {
    SetMessage(kNoSession);
    return false;
  }
  ResponseEstablishSession reply;
  if (!reply.Parse(packet)) {
    SetMessage(kSessionNotUnderstood);
    return false;
  }
  if (reply.accepted != 1 || reply.text) {
    SetReplyMessage(reply.text, kSessionRefused);
    return false;
  }
  if (reply.flags != flags) {
    SetMessage(kNoAgreement);
    return false;
  }
  if ((flags & SESSION_FLAG_BASIC) != 0 &&
      !framing.StartBasicSecurity(reply.sessionKey.Data(), static_cast<std::uint32_t>(reply.sessionKey.Size()))) {
    SetMessage(kNoBasicSecurity);
    return false;
  }
  if ((flags & SESSION_FLAG_TLS) != 0 && !socket.StartTls()) {
    SetMessage(kNoTls);
    return false;
  }
  return true;
}
