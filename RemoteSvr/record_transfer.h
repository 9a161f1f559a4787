// The service's side of the record transfer on one connected socket: receive
// a request with its header checks, send a reply. The request loop calls
// these once per cycle; every line goes through LogFile().
#pragma once

#include <chrono>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "RemoteSvr/common/socket_transfer.h"

// Waits (without limit) for a request to begin, then up to MAX_TRANSFER_CALLS
// attempts: peek the 20-byte header whole, log and retry a bad magic or size
// (the header is never consumed, so each attempt sees it again), and read a
// good record whole. From its first byte a record has `limit` to arrive.
// 1 with the record in `record`; 0 when the connection is to end: the peer
// closed or failed (trace "Error peeking ..."), a record broke off or ran out
// of time, or ten attempts found no good header.
int ReceiveRecord(SOCKET s, PwdResetRecord& record, std::chrono::milliseconds limit = RECORD_TIME_LIMIT);

// Sets totalLength and sends all 5148 bytes in at most MAX_TRANSFER_CALLS
// calls. 1 when sent; 0, with a trace line, when the connection is to end.
int SendReply(SOCKET s, PwdResetRecord& record);
