// One accepted client of the service: its socket and peer, the thread that
// serves it (the request loop is request_handling.cpp), and the user it
// remembers. The account operations it calls are account_operations_*.cpp.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "RemoteSvr/auto_reset_event.h"
#include "RemoteSvr/common/pwd_reset_record.h"
#include "platform/winsock/winsock.h"

class CPwdResetServer;
struct CLdapDirectory;

class CPwdResetConnection {
 public:
  explicit CPwdResetConnection(CPwdResetServer& server);
  // Disconnects, and waits for the connection's thread when it has one.
  virtual ~CPwdResetConnection();
  CPwdResetConnection(const CPwdResetConnection&) = delete;
  CPwdResetConnection& operator=(const CPwdResetConnection&) = delete;

  // On the listener thread: accepts one client and starts its thread. 1 once
  // the thread runs; 0 when accept or the thread start failed (AcceptError
  // tells the socket error; 0 for a failed thread start).
  int Accept();
  int AcceptError() const { return acceptError; }

  // Wakes the connection's thread from a blocked receive or send so that it
  // ends; the socket stays open until the thread disconnects it.
  void Shutdown();
  // Waits for the connection's thread to end.
  void Join();

  // The request loop (request_handling.cpp): serves records on the socket
  // until the peer closes, a transfer fails or a header is bad.
  void HandleRequests();

  // `length` random bytes from the CryptoAPI: 1, or 0 with `errorText` the
  // CryptoAPI's error text (there is no weaker fallback).
  static int GetRandomBytes(BYTE* buffer, DWORD length, std::string& errorText);

  // The account operations; each answers 1, or 0 with `errorText` set. A
  // set-password operation whose password changed answers 1, and may set
  // `errorText` to the whole reply ("Password changed, but ...") when a later
  // step failed.
  int SetPasswordNetUser(const std::string& domain, const std::string& userName, const std::string& newPassword,
                         std::string& errorText);
  int UnlockAccountNetUser(const std::string& domain, const std::string& userName, std::string& errorText);
  int SetPasswordLdap(const CLdapDirectory& directory, const std::string& domain, const std::string& userName,
                      const std::string& newPassword, std::string& errorText);
  int UnlockAccountLdap(const CLdapDirectory& directory, const std::string& domain, const std::string& userName,
                        std::string& errorText);

  const std::string& PeerAddress() const { return peerAddress; }

  // The lower-cased user key that failure notifications count against: set
  // by a successful lookup, or by the first notification while empty.
  std::string rememberedUser;
  // The lower-cased user keys of every successful lookup on this connection,
  // the only users that set-password and unlock requests are served for. All
  // of them, not only the last: a web server keeps one connection for all its
  // pages, whose dialogues interleave on it. The set lives as long as the
  // connection.
  std::set<std::string> lookedUpUsers;

 private:
  static void ConnectionThread(CPwdResetConnection* connection);
  void Run();
  void Disconnect();
  void MarkFinished();

  // The four requests (request_handling.cpp and the files it names).
  void LookupUser(PwdResetRecord& record);
  void SetPassword(PwdResetRecord& record);
  void UnlockAccount(PwdResetRecord& record);
  void FailureNotification(PwdResetRecord& record);
  // The set-password and unlock guard: 1 when the record names a user looked
  // up successfully on this connection; else 0 with the refusal in `message`.
  int IsLookedUpUser(const PwdResetRecord& record, std::string& message) const;

  CPwdResetServer& server;
  int started = 0;
  std::string peerAddress;
  std::mutex socketLock;  // the socket's close against Shutdown from the server
  SOCKET socket = INVALID_SOCKET;
  sockaddr_in peer{};
  CAutoResetEvent startedEvent;
  std::thread thread;
  int acceptError = 0;
};
