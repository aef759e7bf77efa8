#pragma once
// The error number (of the core library's error table) that the own mail clients record
// for a WinSock error of their socket. Some errors mean different things depending on
// the call that failed, so the caller names its kind of call.

enum WsaCallKind : int {
    kWsaCallConnect = 1,  // creating the socket's connection (resolve, connect)
    kWsaCallSend = 2,
    kWsaCallReceive = 3,
    kWsaCallCreate = 4,   // creating the socket itself
};

// 2301-2327 for the WinSock errors the clients know; 1 (the table's "no message for this
// code") for any other.
int WsaErrorNumber(int wsaError, int kind);
