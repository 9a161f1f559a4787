// The listening socket and the listener thread: one connection accepted at
// a time, each served on its own thread, finished ones deleted as the
// listener goes; at the end every live connection is shut down, its thread
// joined, and only then freed.
#include "RemoteSvr/pwd_reset_server.h"

#include <arpa/inet.h>

#include <chrono>
#include <climits>
#include <exception>
#include <new>
#include <vector>

#include "RemoteSvr/config_map.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/rules_log_trace.h"
#include "RemoteSvr/service_locks.h"

namespace {

constexpr std::int32_t kServerTraceLevel = 4;
// How long the listener backs off after an accept that failed for want of
// descriptors or memory, before it tries again.
constexpr std::chrono::milliseconds kAcceptBackOff{100};

// Failures that pass: the process is out of descriptors or memory for a
// moment, or a client gave up while it waited; the next accept may succeed.
bool IsTransientAcceptError(int error) {
  switch (error) {
    case 0:  // the connection's thread could not be started
    case WSAEMFILE:
    case WSAENOBUFS:
    case WSA_NOT_ENOUGH_MEMORY:
    case WSAECONNABORTED:
    case WSAECONNRESET:
    case WSAEINTR:
      return true;
    default:
      return false;
  }
}

// Accept, with an exception before the connection's thread started (no
// memory for the log block's texts) as a failure that passes.
int AcceptSafely(CPwdResetConnection& connection) {
  try {
    return connection.Accept();
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

CPwdResetServer::CPwdResetServer(std::uint16_t configuredPort) : port(configuredPort) {
  InstallRulesLogTrace();
  if (WSAStartup(MAKEWORD(2, 0), &wsaData) != 0) {
    LogFile().LogSocketError("WinSock startup failure.");
  } else {
    winsockReady = 1;
  }
}

CPwdResetServer::CPwdResetServer() : CPwdResetServer([] {
  CConfigMap tokens;
  tokens.Load();
  return static_cast<std::uint16_t>(tokens.GetPort());
}()) {}

CPwdResetServer::~CPwdResetServer() {
  CloseSocket();
  // Every connection that was started is in one of the lists now (the
  // listener waited for each thread to add itself before accepting again).
  std::vector<CPwdResetConnection*> all;
  {
    std::lock_guard<std::mutex> hold(ServiceLocks().listLock);
    for (CPwdResetConnection* connection : activeConnections) {
      connection->Shutdown();
      all.push_back(connection);
    }
    all.insert(all.end(), finishedConnections.begin(), finishedConnections.end());
  }
  // Their threads take listLock to retire themselves: wait without it.
  for (CPwdResetConnection* connection : all) connection->Join();
  {
    std::lock_guard<std::mutex> hold(ServiceLocks().listLock);
    DeleteConnections(activeConnections);
    DeleteConnections(finishedConnections);
  }
  if (winsockReady) WSACleanup();
}

int CPwdResetServer::CreateSocket() {
  if (!winsockReady) return 0;
  CLogFile& log = LogFile();
  listenSocket = winsock::socket(AF_INET, SOCK_STREAM, 0);
  log.Trace(kServerTraceLevel, "Socket %d created", listenSocket);
  if (listenSocket == INVALID_SOCKET) return 0;

  // A restarted service binds again at once, whatever old connections of the
  // last run still linger in TIME_WAIT.
  const int on = 1;
  winsock::setsockopt(listenSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);

  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  const int bound = winsock::bind(listenSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  log.Trace(kServerTraceLevel, "Socket %d bound to port %d", listenSocket, static_cast<int>(port));
  if (bound == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    closesocket(listenSocket);
    listenSocket = INVALID_SOCKET;
    WSASetLastError(error);
    log.LogSocketError("Socket Bind failure.");
    return 0;
  }
  int length = sizeof address;
  const int named = winsock::getsockname(listenSocket, reinterpret_cast<sockaddr*>(&address), &length);
  log.Trace(kServerTraceLevel, "Get local socket name status %d", named);
  if (named == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    closesocket(listenSocket);
    WSASetLastError(error);
    log.LogSocketError("Failed to get Socket name.");
    listenSocket = INVALID_SOCKET;
    return 0;
  }
  localPort = ntohs(address.sin_port);
  return 1;
}

int CPwdResetServer::Start() {
  listening = 0;
  if (!CreateSocket()) return 0;
  try {
    listenerThread = std::thread(ListenerThread, this);
  } catch (const std::system_error&) {
    return 0;
  }
  threadEvent.Wait(INFINITE);
  return listening.load();
}

void CPwdResetServer::ListenerThread(CPwdResetServer* server) { server->ListenLoop(); }

void CPwdResetServer::ListenLoop() {
  CLogFile& log = LogFile();
  const int status = winsock::listen(listenSocket, INT_MAX);
  log.Trace(kServerTraceLevel, "Listening on Socket %d : Status %d", listenSocket, status);
  log.Trace(kServerTraceLevel, "%s", "");
  if (status == SOCKET_ERROR) {
    log.LogSocketError("::listen() failure");
    threadEvent.Set();
    return;
  }
  listening = 1;
  threadEvent.Set();

  bool backingOff = false;
  while (listening.load() == 1) {
    // Out of memory the listener backs off as it does out of descriptors.
    auto* connection = new (std::nothrow) CPwdResetConnection(*this);
    if (connection == nullptr || !AcceptSafely(*connection)) {
      const int error = connection == nullptr ? WSA_NOT_ENOUGH_MEMORY : connection->AcceptError();
      delete connection;
      if (WaitForStop(std::chrono::milliseconds(0))) break;
      if (!IsTransientAcceptError(error)) {
        WSASetLastError(error);
        log.LogSocketError("::accept() failure");
        break;
      }
      // Logged once per run of failures; the service keeps listening.
      if (!backingOff) {
        WSASetLastError(error);
        log.LogSocketError("::accept() failure, retrying");
        backingOff = true;
      }
      if (WaitForStop(kAcceptBackOff)) break;
      continue;
    }
    backingOff = false;
    std::lock_guard<std::mutex> hold(ServiceLocks().listLock);
    DeleteConnections(finishedConnections);
  }
  listening = 0;
  std::lock_guard<std::mutex> hold(ServiceLocks().listLock);
  DeleteConnections(finishedConnections);
}

bool CPwdResetServer::WaitForStop(std::chrono::milliseconds pause) {
  std::unique_lock<std::mutex> hold(stopLock);
  return stopWake.wait_for(hold, pause, [this] { return stopRequested; });
}

void CPwdResetServer::CloseSocket() {
  {
    std::lock_guard<std::mutex> hold(stopLock);
    stopRequested = true;
  }
  stopWake.notify_all();
  listening = 0;
  if (listenSocket == INVALID_SOCKET) return;
  // Shut down first: that wakes the accept. The descriptor is released only
  // once the listener has ended, so its number cannot be reused under a
  // listener that is about to accept again.
  ::shutdown(listenSocket, SHUT_RDWR);
  if (listenerThread.joinable()) listenerThread.join();
  closesocket(listenSocket);
  listenSocket = INVALID_SOCKET;
}

bool CPwdResetServer::AddActive(CPwdResetConnection* connection) {
  std::lock_guard<std::mutex> hold(ServiceLocks().listLock);
  try {
    activeConnections.push_back(connection);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void CPwdResetServer::MarkFinished(CPwdResetConnection* connection) {
  std::lock_guard<std::mutex> hold(ServiceLocks().listLock);
  for (auto it = activeConnections.begin(); it != activeConnections.end(); ++it) {
    if (*it == connection) {
      // Moves the entry itself: nothing to allocate, nothing to fail.
      finishedConnections.splice(finishedConnections.end(), activeConnections, it);
      return;
    }
  }
}

void CPwdResetServer::DeleteConnections(std::list<CPwdResetConnection*>& list) {
  while (!list.empty()) {
    CPwdResetConnection* const connection = list.front();
    list.pop_front();
    delete connection;
  }
}
