// The connection to the reset service and the exchange of one record, with
// the progress lines of each step.
#include "gina/reset_record_client.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/common/socket_transfer.h"
#include "RemoteSvr/common/wsa_error_text.h"
#include "gina/log_list.h"

namespace {

SOCKET serverSocket = INVALID_SOCKET;

std::string LastSocketErrorText() { return CWsaErrorText(WSAGetLastError()).text; }

// Whether the service has closed the connection (or it failed) since the
// last exchange: bytes to read between exchanges can only be its close.
// Poll, not select, so any descriptor value is safe to ask about; a closed
// socket (-1) is never ready and fails at the send.
bool ConnectionLost() {
  if (WaitReadable(serverSocket, TransferClock::now()) != 1) return false;
  char byte = 0;
  return winsock::recv(serverSocket, &byte, 1, MSG_PEEK) <= 0;
}

}  // namespace

void CloseServerSocket() {
  if (serverSocket == INVALID_SOCKET) return;
  closesocket(serverSocket);
  serverSocket = INVALID_SOCKET;
}

int ConnectToServer(HWND list, const HOSTENT& host) {
  if (host.h_addr_list == nullptr || host.h_addr_list[0] == nullptr || host.h_length != sizeof(in_addr)) {
    AddLogLine(list, "Host has no address");
    return 0;
  }
  const auto* address = reinterpret_cast<const unsigned char*>(host.h_addr_list[0]);
  char addressText[16];
  std::snprintf(addressText, sizeof(addressText), "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
  AddLogLineF(list, "Connecting to %s port %s", addressText, SERVICE_PORT_TEXT);
  CloseServerSocket();
  const int port = std::atoi(SERVICE_PORT_TEXT);

  WSADATA data{};
  const int started = WSAStartup(MAKEWORD(2, 2), &data);
  if (started != 0) {
    AddLogLineF(list, "Error %d starting sockets", started);
    return 0;
  }
  serverSocket = winsock::socket(AF_INET, SOCK_STREAM, 0);
  if (serverSocket == INVALID_SOCKET) {
    AddLogLineF(list, "Error creating socket - %s", LastSocketErrorText().c_str());
    return 0;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  std::memcpy(&peer.sin_addr, address, sizeof(in_addr));
  if (!SetSocketTimeLimits(serverSocket) ||
      winsock::connect(serverSocket, reinterpret_cast<const sockaddr*>(&peer), sizeof(peer)) == SOCKET_ERROR) {
    AddLogLineF(list, "Error connecting to %s port %d -", addressText, port);
    AddLogLine(list, LastSocketErrorText());
    CloseServerSocket();
    return 0;
  }
  AddLogLine(list, "Connected OK");
  return 1;
}

int TransactRecord(HWND list, PwdResetRecord& record) {
  AddLogLineF(list, "Sending request %d, username %s", static_cast<int>(record.header.messageType),
              std::string(RecordText(record.userName)).c_str());
  if (ConnectionLost()) {
    AddLogLineF(list, "Socket error %s", LastSocketErrorText().c_str());
    CloseServerSocket();
    return 0;
  }
  AddLogLineF(list, "Sending %d bytes", static_cast<int>(RECORD_SIZE));
  std::string failure;
  if (SendRequest(serverSocket, record, failure) != 1) {
    AddLogLine(list, failure);
    CloseServerSocket();
    return 0;
  }
  WipeRecord(record);
  AddLogLine(list, "Reading reply");
  if (ReceiveReply(serverSocket, record, failure) != 1) {
    AddLogLine(list, failure);
    CloseServerSocket();
    return 0;
  }
  AddLogLineF(list, "Read %d bytes", static_cast<int>(record.header.totalLength));
  return 1;
}
