#pragma once
// Result codes of the network components and the mapping of system errors onto them.
//
// Callers match a few numbers: 0 success, 301 time-out or an interrupt they asked for,
// 161 "connect again without CRAM-MD5", 276 a TLS failure, and the WinSock numbers of
// socket failures (10053, 10060, 10061, 10065 ...). Socket errors are therefore reported
// with the WinSock number that corresponds to the errno, never with the errno itself.

#include <string>

namespace netssl {

enum NetResult : int {
    kNetOk = 0,
    kNetBadArgument = 101,       // a property value or configuration text is unusable
    kNetNotConnected = 102,      // the method needs a connection
    kNetAlreadyConnected = 103,  // connect while a connection is open
    kNetBadHost = 104,           // no server given
    kNetProtocol = 110,          // the server's answer cannot be read as the protocol's
    kNetServerReply = 120,       // the server refused; the text is its reply
    kNetAuthFailed = 121,        // no login method both sides know
    kNetRetryWithoutCram = 161,  // CRAM-MD5 not usable: connect again without it
    kNetSslError = 276,          // TLS handshake, certificate or record failure
    kNetTimeout = 301,           // time-out, or an interrupt that the caller requested
    // WinSock numbers produced from errno.
    kWsaEintr = 10004,
    kWsaEacces = 10013,
    kWsaEinval = 10022,
    kWsaEmfile = 10024,
    kWsaEafnosupport = 10047,
    kWsaEaddrinuse = 10048,
    kWsaEaddrnotavail = 10049,
    kWsaEnetdown = 10050,
    kWsaEnetunreach = 10051,
    kWsaEconnaborted = 10053,
    kWsaEconnreset = 10054,
    kWsaEnobufs = 10055,
    kWsaEnotconn = 10057,
    kWsaEtimedout = 10060,
    kWsaEconnrefused = 10061,
    kWsaEhostdown = 10064,
    kWsaEhostunreach = 10065,
    kWsaHostNotFound = 11001,
    kWsaTryAgain = 11002,
};

// The WinSock number for an errno value (10000 + errno when there is no closer match,
// so that nothing is ever reported as success or as one of the component's own codes).
int WinsockErrorFromErrno(int err);

// A failure: the code callers match and an English text for the log and the user.
struct NetError {
    int code = kNetOk;
    std::string text;

    int Set(int c, std::string t) { code = c; text = std::move(t); return c; }
    void Clear() { code = kNetOk; text.clear(); }
};

// Sets `error` from errno with the WinSock number and "<what>: <strerror> (<number>)."
int SetSocketError(NetError& error, const char* what, int err);

// The system's English words for an errno value and for a getaddrinfo result, whatever
// the process's locale: a NetError's text goes into the Shift_JIS transfer log and is
// matched by its words, so it never carries the locale's translation (UTF-8 under
// ja_JP.UTF-8).
std::string ErrnoWords(int err);
std::string ResolverWords(int rc);

}  // namespace netssl
