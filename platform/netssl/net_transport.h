#pragma once
// One TCP connection of a network component, plain or TLS, with non-blocking I/O.
//
// Every wait polls the socket together with the component's interrupt descriptor and
// ends after the time-out of inactivity: a call that makes no progress for that long
// fails with 301 "Timeout.", an interrupt with 301 "Interrupted." (and the connection is
// then in an unknown state: callers close it). A line must also come whole within
// kLineTimeoutFactor times the time-out, so that a server that trickles a byte now and
// then without ending its line fails with 301 "Timeout." too instead of holding the
// caller for ever. A mail client bounds each reply as a whole (ReplyDeadline): a server
// that answers a line now and then, each within the time-out, would otherwise hold one
// reply of many lines for days. The TLS handshake is bounded the same way. Socket
// failures carry the WinSock number of their errno. TLS runs through OpenSSL over the
// same non-blocking socket; the peer's certificate is checked against the system store
// and the host name unless the caller accepts any certificate.

#include "platform/netssl/net_error.h"
#include "platform/netssl/net_interrupt.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace netssl {

struct TlsSettings {
    bool verifyPeer = true;    // false: any certificate is accepted
    long protocolMask = 255;   // the caller's protocol choice; TLS 1.2 or later is always used
};

// Receives the lines that describe the TLS session (protocol, cipher, certificate).
using TlsStatusFn = std::function<void(const std::string&)>;

class NetTransport {
public:
    // Longest line ReadLine accepts unless the caller allows more.
    static constexpr size_t kMaxLine = size_t{1} << 20;
    // A line must come whole within this many times the time-out.
    static constexpr int kLineTimeoutFactor = 10;
    // The lowest average rate (bytes a second) that a long answer (a stored message, a web
    // page) may keep once its time-out has passed: its allowance in StartReply. The core's
    // own POP3 client (MailPop) allows its answers the same.
    static constexpr size_t kAnswerBytesPerSecond = 1024;

    explicit NetTransport(NetInterrupt& interrupt);
    ~NetTransport();
    NetTransport(const NetTransport&) = delete;
    NetTransport& operator=(const NetTransport&) = delete;

    // Seconds of inactivity before a wait fails; values below 1 mean 60. Seconds here are
    // counted in milliseconds of an int: more than about 24 days are that long.
    void SetTimeout(int seconds);
    // From now until it is set to 0 again, an interrupt does not end a wait at once: the
    // wait goes on for up to `seconds` more for what it waits for, and only then fails with
    // 301 "Interrupted."; an interrupt that comes and goes within that time is spent.
    void SetInterruptGrace(int seconds);
    // Called once in every wait for the socket that lasts kWaitHookAfterMs (a wait that ends
    // sooner does not call it), and again in the same wait after the milliseconds it
    // returns, as long as it returns more than 0.
    void SetWaitHook(std::function<int()> hook) { waitHook_ = std::move(hook); }
    static constexpr int kWaitHookAfterMs = 1;

    // Resolves `host` and connects to the first address that answers. On failure the
    // transport stays closed and `error` says why.
    int Connect(const std::string& host, int port, NetError& error);
    // TLS handshake on the open connection, as the client of `host`.
    int StartTls(const std::string& host, const TlsSettings& settings, const TlsStatusFn& status,
                 NetError& error);
    // Sends all bytes.
    int Send(std::string_view data, NetError& error);
    // One line without its line end (LF, or CR LF). A line longer than `maxLine` bytes
    // (110, "Protocol error"), one not complete within kLineTimeoutFactor times the
    // time-out (301, "Timeout."), or the end of the connection before a line end is an
    // error.
    int ReadLine(std::string& line, NetError& error, size_t maxLine = kMaxLine);
    // Appends exactly `count` bytes (an HTTP body of known length, a chunk). The end of
    // the connection before they came is an error.
    int ReadBytes(std::string& out, size_t count, NetError& error);
    // Appends every byte up to the end of the connection (a body that the close ends). More
    // than `limit` bytes is an error; so is a break that is not an orderly close.
    int ReadToClose(std::string& out, size_t limit, NetError& error);
    // Closes at once (a TLS close notification is sent when it fits without waiting).
    void Close();

    // Bounds the reads of one reply, from now until EndReply: every wait ends by the
    // time-out counted from now (301 "Timeout."). With `bytesPerSecond` above 0 (a long
    // answer such as a stored message) the bound moves one second later for every that
    // many bytes received meanwhile, so an answer that keeps that average rate is never
    // cut and one that drips is. ReplyDeadline below pairs the two calls.
    void StartReply(size_t bytesPerSecond = 0);
    void EndReply();

    bool IsOpen() const { return fd_ >= 0; }
    bool IsTls() const { return ssl_ != nullptr; }

    // State shared with the OpenSSL I/O callbacks.
    struct SocketState {
        int fd = -1;
        int lastErrno = 0;
        bool eof = false;
    };

private:
    enum class WaitFor { read, write };
    int Wait(WaitFor what, NetError& error);
    int CheckInterrupt(NetError& error);  // 301 "Interrupted." when one is pending
    int Fill(NetError& error);  // reads more bytes into the line buffer
    // Moves up to `count` buffered bytes to `out`; returns how many.
    size_t TakeBuffered(std::string& out, size_t count);
    int TlsError(int ret, const char* what, NetError& error);

    NetInterrupt& interrupt_;
    std::function<int()> waitHook_;
    int timeoutMs_ = 60000;
    // While a reply is bounded: when it began, the bytes received before it, its rate.
    std::optional<std::chrono::steady_clock::time_point> replyStart_;
    unsigned long long replyBytesBefore_ = 0;
    size_t replyBytesPerSecond_ = 0;
    unsigned long long received_ = 0;  // bytes received on this connection
    // While ReadLine runs: the time by which its line must be complete (no wait goes on
    // past it).
    std::optional<std::chrono::steady_clock::time_point> lineDeadline_;
    int interruptGraceMs_ = 0;
    // When an interrupt came during a grace: the time it ends the wait.
    std::optional<std::chrono::steady_clock::time_point> graceEnd_;
    int fd_ = -1;
    SocketState state_;
    bool peerClosed_ = false;  // the last Fill met an orderly close by the peer
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    std::string in_;      // received bytes not yet handed out
    size_t inPos_ = 0;
};

// The bound of one reply over a scope (NetTransport::StartReply, EndReply).
class ReplyDeadline {
public:
    explicit ReplyDeadline(NetTransport& transport, size_t bytesPerSecond = 0) : transport_(transport) {
        transport_.StartReply(bytesPerSecond);
    }
    ~ReplyDeadline() { transport_.EndReply(); }
    ReplyDeadline(const ReplyDeadline&) = delete;
    ReplyDeadline& operator=(const ReplyDeadline&) = delete;

private:
    NetTransport& transport_;
};

}  // namespace netssl
