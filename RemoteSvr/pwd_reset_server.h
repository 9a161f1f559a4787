// The service's TCP server: WinSock start-up, the listening socket bound to
// every local IPv4 address on the token file's PORT, the listener thread and
// the lists of connections (pwd_reset_connection.h) under listLock. The
// service body builds it, starts it, closes its socket and destroys it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

#include "RemoteSvr/auto_reset_event.h"
#include "platform/winsock/winsock.h"

class CPwdResetConnection;

class CPwdResetServer {
 public:
  // Reads PORT from the program's token file (default 7257) and starts
  // WinSock; a failed start-up is logged and makes Start fail.
  CPwdResetServer();
  // The same on a given port; 0 lets the system choose one (LocalPort tells
  // which), for tests and the benchmark.
  explicit CPwdResetServer(std::uint16_t port);
  CPwdResetServer(const CPwdResetServer&) = delete;
  CPwdResetServer& operator=(const CPwdResetServer&) = delete;
  // Stops listening, shuts every live connection down, waits for the
  // listener and connection threads, then frees the connections.
  ~CPwdResetServer();

  // Creates and binds the socket and starts the listener thread; returns
  // once the thread listens or has failed: nonzero when listening, 0 when
  // not (the cause is in the log). Call it once.
  int Start();
  // Closes the listening socket: wakes a blocked accept, waits for the
  // listener thread to end, then releases the socket. Safe to call more than
  // once; connections already served go on until they end.
  void CloseSocket();

  // The port bound (after a successful Start).
  std::uint16_t LocalPort() const { return localPort; }
  // The port configured (from PORT, or the constructor's).
  std::uint16_t ConfiguredPort() const { return port; }

  // For the connections: the socket they accept on, and their moves between
  // the lists (each under listLock). AddActive is false when there was no
  // memory for the entry.
  SOCKET ListeningSocket() const { return listenSocket; }
  bool AddActive(CPwdResetConnection* connection);
  void MarkFinished(CPwdResetConnection* connection);

 private:
  int CreateSocket();
  static void ListenerThread(CPwdResetServer* server);
  void ListenLoop();
  // Removes and deletes every connection of `list`; the caller holds listLock.
  static void DeleteConnections(std::list<CPwdResetConnection*>& list);
  // Waits up to `pause` unless a stop is requested first; true when stopping.
  bool WaitForStop(std::chrono::milliseconds pause);

  SOCKET listenSocket = INVALID_SOCKET;
  std::list<CPwdResetConnection*> activeConnections;    // guarded by listLock
  std::list<CPwdResetConnection*> finishedConnections;  // guarded by listLock
  std::int32_t winsockReady = 0;
  std::thread listenerThread;
  WSADATA wsaData{};
  std::uint16_t port = 7257;
  std::uint16_t localPort = 0;
  // Set by the listener once it listens or has failed to.
  CAutoResetEvent threadEvent;
  std::atomic<std::int32_t> listening{0};
  // A stop request: ends the listener's loop, also while it backs off.
  std::mutex stopLock;
  std::condition_variable stopWake;
  bool stopRequested = false;
};
