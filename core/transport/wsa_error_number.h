#pragma once
// The error number (of the core library's error table) that the own mail clients record
// for a WinSock error of their socket. Some errors mean different things depending on
// the call that failed, so the caller names its kind of call.
//
// Every WinSock number the socket layer can report has a number of its own whose text
// says what happened and what the user can check: 2301-2327 for the errors the clients
// have always known, 2328 for a line longer than the socket accepts (10040), 2329 for a
// server name that cannot be resolved (11001, 11002), 2330 for a host that cannot be
// reached (10064, 10065), and 2399 ("unexpected error (%d)", the WinSock number filled in
// by RecordWsaError) for anything else. No socket failure reads as the table's "no
// message for this code".

class CErrMsg;

enum WsaCallKind : int {
    kWsaCallConnect = 1,  // creating the socket's connection (resolve, connect)
    kWsaCallSend = 2,
    kWsaCallReceive = 3,
    kWsaCallCreate = 4,   // creating the socket itself
};

// The error number for `wsaError` after a call of `kind`.
int WsaErrorNumber(int wsaError, int kind);

// Records the error number of `wsaError` in `err`, with the WinSock number for the text of
// 2399. Returns the error number.
int RecordWsaError(CErrMsg& err, int wsaError, int kind);
