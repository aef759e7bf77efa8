#pragma once
// SocketSupport: a blocking, line-oriented TCP client socket with a time-out, the transport
// of the core library's own SMTP and POP3 clients (MailSend, MailPop).
//
// Calls block until they make progress, the time-out of the call runs out, or another
// thread calls ForceTimeout. Failures return -1 (the socket-error result of the WinSock
// calls the clients were written against) and leave the WinSock number of the cause in
// GetLastError(): 10060 for a time-out or a forced time-out, 10061 for a refused
// connection, 10053/10054 for a connection that broke, and so on (errno is mapped to the
// WinSock number that the clients' error table expects).
//
// Time-outs: SetTimeOutTime keeps a default (0 = wait without limit); a call that is given
// 0 uses the default. The time-out measures one wait for the socket, so a slow but steady
// peer is never cut off in the middle of a long transfer. A line, though, must come whole
// within kLineTimeOutFactor times the time-out of the GetLine call: a peer that trickles
// a byte now and then without ever ending its line fails with the time-out (10060) like a
// silent one, instead of holding the caller for ever. A client bounds each reply as a whole
// too (BeginReply, or ReplyBound over a scope): a peer that sends one line of a long reply
// now and then would otherwise hold it for days.
//
// Lines: GetLine accepts lines up to the line limit (kMaxPendingLine unless the caller sets
// another with SetLineLimit, as a POP3 client does while a message comes in), so that a
// peer that never ends its line cannot fill the memory.

#include "platform/netssl/net_interrupt.h"

#include <cstddef>
#include <memory>
#include <string>

class SocketSupport {
public:
    // Bytes one Receive asks the system for.
    static constexpr int kReceiveChunk = 102399;
    // Longest line GetLine waits for by default: a peer that sends this much without a
    // line end is cut off (WSAEMSGSIZE) instead of filling the memory.
    static constexpr std::size_t kMaxPendingLine = 1 << 20;
    // A line must be complete within this many times the time-out of its GetLine call.
    static constexpr int kLineTimeOutFactor = 10;
    // WinSock numbers produced here besides the mapped errno values.
    static constexpr int kWsaTimedOut = 10060;
    static constexpr int kWsaMsgSize = 10040;
    static constexpr int kWsaNotConnected = 10057;
    static constexpr int kWsaHostNotFound = 11001;

    SocketSupport();
    virtual ~SocketSupport();
    SocketSupport(const SocketSupport&) = delete;
    SocketSupport& operator=(const SocketSupport&) = delete;

    // Resolves `host` and connects to the first of its addresses that answers, all within
    // `timeoutMs` (0 = the default time-out). 1 on success, 0 on failure (see GetLastError).
    // A connection that is already open is closed first.
    int Connect(const std::string& host, int port, int timeoutMs = 0);
    // Closes the connection (if any) and forgets the line buffer.
    void Close();
    bool IsConnected() const { return fd_ >= 0; }
    // WinSock number of the last failure (0 when the last call succeeded).
    int GetLastError() const { return lastError_; }

    // Sends what the connection takes at once of `text` (after waiting until it takes
    // something); removes those bytes from the front of `text` and returns their count,
    // or -1. `flags` are added to the system's send flags.
    int Send(std::string& text, int timeoutMs = 0, int flags = 0);
    // Repeats Send until `text` is empty: the total, or the first failure (-1).
    int SendBlock(std::string& text, int timeoutMs = 0, int flags = 0);
    // Receives up to kReceiveChunk bytes and appends them to `text`, each NUL byte turned
    // into a blank (the clients treat received data as text). Returns the count, 0 when
    // the peer closed the connection, or -1.
    int Receive(std::string& text, int timeoutMs = 0, int flags = 0);
    // Cuts the next line out of the line buffer, receiving until one is complete, and
    // appends it with "\r\n" to `out`: returns its length + 2. When the connection ends or
    // fails first the result of that Receive (0 or -1) is returned, and an unfinished last
    // line stays in the line buffer (GetLineBuffer). A line that reaches the line limit
    // fails with WSAEMSGSIZE (10040), one that is not complete within kLineTimeOutFactor
    // times the time-out with 10060. `unused` is kept for callers of the original
    // interface and is not read.
    int GetLine(std::string& out, int unused = 0, int timeoutMs = 0, int flags = 0);
    // The longest line GetLine accepts (0: kMaxPendingLine). Returns the previous limit.
    std::size_t SetLineLimit(std::size_t bytes);
    std::size_t GetLineLimit() const { return lineLimit_; }

    // Takes the first line out of `buffer` into `line`: the text before the first LF, with
    // every trailing CR and LF cut off; returns its length. Without an LF the result is -1
    // and `line` is emptied, unless `takeRest` is set: then the whole buffer is the line.
    static int CutOffOneLine(std::string& buffer, std::string& line, bool takeRest);
    // Position just after the first LF of `text`, or 0 when there is none (only LF counts:
    // a CR alone does not end a line).
    static std::size_t FindCRorLF(const std::string& text);

    // Bounds the waits until EndReply: each ends by the time-out (`ms`, or the default when
    // 0; no bound when both are 0) counted from now, moved one second later for every
    // `bytesPerSecond` bytes received meanwhile when that is above 0 (a long answer at a
    // sound rate is never cut, one that drips is).
    void BeginReply(int ms = 0, std::size_t bytesPerSecond = 0);
    void EndReply() { replyStartMs_ = 0; }

    // Stores the default time-out (ms) and returns the previous one.
    int SetTimeOutTime(int ms);
    int GetTimeOutTime() const { return timeOutTime_; }
    // Starts the time-out of the next waits: `ms`, or the default when 0; none when both
    // are 0. KillTimeOut stops it.
    void SetTimeOut(int ms = 0);
    void KillTimeOut();
    // May be called from any thread: ends the blocking call in progress at once with the
    // time-out error (or, when no call is blocking, the next one).
    void ForceTimeout();

    void ClearLineBuffer();
    // Received text not yet handed out as lines.
    std::string GetLineBuffer() const { return lineBuffer_.substr(linePos_); }

private:
    enum class WaitFor { read, write };
    // Waits until the socket is ready; false (error recorded) on time-out, force or failure.
    bool Wait(WaitFor what);
    int Fail(int wsaError);
    // The addresses of host:port (freeaddrinfo them), or null (error recorded) when the
    // name is unknown or the running time-out or a ForceTimeout ends the lookup.
    struct addrinfo* Resolve(const std::string& host, int port);

    int fd_ = -1;
    int timeOutTime_ = 0;      // default time-out, ms (0 = none)
    long long deadlineMs_ = 0; // steady-clock deadline of the running time-out, 0 = none
    long long lineDeadlineMs_ = 0;  // the line being read must be complete by then, 0 = none
    // The reply being read (BeginReply): its start (0 = none), length and rate, and the
    // bytes received before it.
    long long replyStartMs_ = 0;
    int replyLengthMs_ = 0;
    std::size_t replyBytesPerSecond_ = 0;
    unsigned long long replyReceivedBefore_ = 0;
    unsigned long long received_ = 0;
    std::size_t lineLimit_ = kMaxPendingLine;
    int lastError_ = 0;
    std::string lineBuffer_;
    std::size_t linePos_ = 0;  // start of the part of lineBuffer_ not yet handed out
    netssl::NetInterrupt force_;
};

// The bound of one reply over a scope (SocketSupport::BeginReply, EndReply), for a client
// that owns its socket: a failure in the scope may close and free it.
class ReplyBound {
public:
    explicit ReplyBound(const std::unique_ptr<SocketSupport>& socket, std::size_t bytesPerSecond = 0)
        : socket_(socket) {
        if (socket_) socket_->BeginReply(0, bytesPerSecond);
    }
    ~ReplyBound() {
        if (socket_) socket_->EndReply();
    }
    ReplyBound(const ReplyBound&) = delete;
    ReplyBound& operator=(const ReplyBound&) = delete;

private:
    const std::unique_ptr<SocketSupport>& socket_;
};
