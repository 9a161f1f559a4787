// The dialog extension's transport to the reset service: the one connection
// of the process, opened to a resolved host, and one record exchanged at a
// time over the shared record helpers (RemoteSvr/common/record_client.h),
// each step told as a progress line in the reset dialog's log list
// (log_list.h). Used only from the thread that runs the reset dialogs.
#pragma once

#include "RemoteSvr/common/pwd_reset_record.h"
#include "platform/windows/window.h"
#include "platform/winsock/host_lookup.h"

// The service's port as the progress lines name it; nothing changes it.
inline constexpr char SERVICE_PORT_TEXT[] = "7257";

// Closes the connection when it is open.
void CloseServerSocket();

// Closes any connection, then connects to the first address of `host` on
// the service's port. 1 connected, 0 not (the lines say why).
int ConnectToServer(HWND list, const HOSTENT& host);

// Sends the request the caller built in `record` (BuildRequest) and reads the
// reply into it, deciphered. 1 when a whole reply is in the record; 0 when
// the exchange failed (the lines say why), and then the connection is closed
// so that nothing left of this exchange can be taken for the next reply. The
// caller wipes the record when done with it.
int TransactRecord(HWND list, PwdResetRecord& record);
