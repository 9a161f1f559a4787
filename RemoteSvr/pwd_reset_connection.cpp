// A connection's life: accepted on the listener thread, served on its own
// thread, disconnected and retired to the server's finished list.
#include "RemoteSvr/pwd_reset_connection.h"

#include <cstdio>
#include <exception>

#include "RemoteSvr/current_time_text.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_server.h"

CPwdResetConnection::CPwdResetConnection(CPwdResetServer& owner) : server(owner) {}

CPwdResetConnection::~CPwdResetConnection() {
  Disconnect();
  Join();
}

int CPwdResetConnection::Accept() {
  int length = sizeof peer;
  const SOCKET accepted = winsock::accept(server.ListeningSocket(), reinterpret_cast<sockaddr*>(&peer), &length);
  if (accepted == INVALID_SOCKET) {
    acceptError = WSAGetLastError();
    return started;
  }
  {
    std::lock_guard<std::mutex> hold(socketLock);
    socket = accepted;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(&peer.sin_addr.s_addr);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  peerAddress = text;

  CLogFile& log = LogFile();
  log.Log("Connection");
  log.Log("==========");
  log.Log("From ...: %s", peerAddress.c_str());
  log.Log("Time ...: %s", CurrentTimeText().c_str());
  log.Log("%s", "");

  try {
    thread = std::thread(ConnectionThread, this);
  } catch (const std::exception&) {  // no thread, or no memory for one
    acceptError = 0;
    return started;
  }
  startedEvent.Wait(INFINITE);
  return started;
}

void CPwdResetConnection::ConnectionThread(CPwdResetConnection* connection) {
  if (!connection->server.AddActive(connection)) {
    // Never started: the listener deletes it.
    connection->startedEvent.Set();
    return;
  }
  connection->Run();
  connection->Disconnect();
  connection->MarkFinished();
}

void CPwdResetConnection::Run() {
  started = 1;
  startedEvent.Set();
  // An exception (out of memory, say) ends this connection only, never the
  // process: it is logged, the connection is closed, the others are served.
  try {
    HandleRequests();
  } catch (const std::exception& failure) {
    LogFile().Log("Connection from %s ended by an error: %s", peerAddress.c_str(), failure.what());
  } catch (...) {
    LogFile().Log("Connection from %s ended by an error", peerAddress.c_str());
  }
}

void CPwdResetConnection::Disconnect() {
  std::lock_guard<std::mutex> hold(socketLock);
  if (socket == INVALID_SOCKET) return;
  CLogFile& log = LogFile();
  log.Log("Disconnection");
  log.Log("=============");
  log.Log("Host ...: %s", peerAddress.c_str());
  log.Log("Time ...: %s", CurrentTimeText().c_str());
  log.Log("%s", "");
  if (closesocket(socket) == SOCKET_ERROR) log.LogSocketError("Error closing socket.");
  socket = INVALID_SOCKET;
}

void CPwdResetConnection::MarkFinished() { server.MarkFinished(this); }

void CPwdResetConnection::Shutdown() {
  std::lock_guard<std::mutex> hold(socketLock);
  if (socket != INVALID_SOCKET) ::shutdown(socket, SHUT_RDWR);
}

void CPwdResetConnection::Join() {
  if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) thread.join();
}
