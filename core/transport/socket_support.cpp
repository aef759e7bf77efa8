#include "core/transport/socket_support.h"

#include "platform/netssl/net_error.h"
#include "platform/netssl/net_lookup.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

SocketSupport::SocketSupport() = default;

SocketSupport::~SocketSupport() { Close(); }

int SocketSupport::Fail(int wsaError) {
    lastError_ = wsaError;
    return -1;
}

int SocketSupport::SetTimeOutTime(int ms) {
    const int previous = timeOutTime_;
    timeOutTime_ = ms < 0 ? 0 : ms;
    return previous;
}

void SocketSupport::SetTimeOut(int ms) {
    const int length = ms > 0 ? ms : timeOutTime_;
    deadlineMs_ = length > 0 ? NowMs() + length : 0;
    // Inside GetLine, no wait lasts beyond the line's own deadline, nor beyond the reply's.
    if (lineDeadlineMs_ != 0 && (deadlineMs_ == 0 || deadlineMs_ > lineDeadlineMs_)) deadlineMs_ = lineDeadlineMs_;
    if (replyStartMs_ != 0) {
        long long replyEnd = replyStartMs_ + replyLengthMs_;
        if (replyBytesPerSecond_ > 0)
            replyEnd += static_cast<long long>((received_ - replyReceivedBefore_) * 1000 / replyBytesPerSecond_);
        if (deadlineMs_ == 0 || deadlineMs_ > replyEnd) deadlineMs_ = replyEnd;
    }
}

void SocketSupport::BeginReply(int ms, std::size_t bytesPerSecond) {
    replyLengthMs_ = ms > 0 ? ms : timeOutTime_;
    replyStartMs_ = replyLengthMs_ > 0 ? NowMs() : 0;
    replyBytesPerSecond_ = bytesPerSecond;
    replyReceivedBefore_ = received_;
}

std::size_t SocketSupport::SetLineLimit(std::size_t bytes) {
    const std::size_t previous = lineLimit_;
    lineLimit_ = bytes == 0 ? kMaxPendingLine : bytes;
    return previous;
}

void SocketSupport::KillTimeOut() { deadlineMs_ = 0; }

void SocketSupport::ForceTimeout() { force_.Request(); }

bool SocketSupport::Wait(WaitFor what) {
    for (;;) {
        if (force_.Pending()) {
            force_.Clear();
            Fail(kWsaTimedOut);
            return false;
        }
        int waitMs = -1;
        if (deadlineMs_ != 0) {
            const long long left = deadlineMs_ - NowMs();
            if (left <= 0) {
                Fail(kWsaTimedOut);
                return false;
            }
            waitMs = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd fds[2] = {{fd_, static_cast<short>(what == WaitFor::read ? POLLIN : POLLOUT), 0},
                         {force_.Fd(), POLLIN, 0}};
        const int n = poll(fds, 2, waitMs);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(netssl::WinsockErrorFromErrno(errno));
            return false;
        }
        // Ready, or an error condition that the following call reports with its errno.
        if (n > 0 && fds[0].revents != 0) return true;
    }
}

addrinfo* SocketSupport::Resolve(const std::string& host, int port) {
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0 && list != nullptr) return list;

    // Names are looked up on a helper thread, so that the time-out and ForceTimeout still
    // end the wait.
    hints.ai_flags = AI_NUMERICSERV;
    const auto resolution = netssl::StartNameLookup(host, service, hints);
    if (resolution->fd < 0) {
        Fail(netssl::WinsockErrorFromErrno(errno));
        return nullptr;
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(resolution->mutex);
            if (resolution->done) {
                if (resolution->rc != 0 || resolution->result == nullptr) {
                    Fail(kWsaHostNotFound);
                    return nullptr;
                }
                list = resolution->result;
                resolution->result = nullptr;
                return list;
            }
        }
        if (force_.Pending()) {
            force_.Clear();
            Fail(kWsaTimedOut);
            return nullptr;
        }
        int waitMs = -1;
        if (deadlineMs_ != 0) {
            const long long left = deadlineMs_ - NowMs();
            if (left <= 0) {
                Fail(kWsaTimedOut);
                return nullptr;
            }
            waitMs = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd fds[2] = {{resolution->fd, POLLIN, 0}, {force_.Fd(), POLLIN, 0}};
        poll(fds, 2, waitMs);
    }
}

int SocketSupport::Connect(const std::string& host, int port, int timeoutMs) {
    Close();
    lastError_ = 0;
    if (host.empty() || port <= 0 || port > 65535) {
        Fail(kWsaHostNotFound);
        return 0;
    }

    SetTimeOut(timeoutMs);
    addrinfo* list = Resolve(host, port);
    if (list == nullptr) {
        KillTimeOut();
        return 0;
    }
    int error = kWsaHostNotFound;
    for (addrinfo* a = list; a != nullptr && fd_ < 0; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            error = netssl::WinsockErrorFromErrno(errno);
            continue;
        }
        fd_ = fd;
        if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
        if (errno != EINPROGRESS) {
            error = netssl::WinsockErrorFromErrno(errno);
        } else if (!Wait(WaitFor::write)) {
            error = lastError_;
            if (error == kWsaTimedOut) {  // the time-out ends the whole attempt
                close(fd);
                fd_ = -1;
                break;
            }
        } else {
            int soError = 0;
            socklen_t len = sizeof soError;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
            if (soError == 0) break;
            error = netssl::WinsockErrorFromErrno(soError);
        }
        close(fd);
        fd_ = -1;
    }
    freeaddrinfo(list);
    KillTimeOut();
    if (fd_ < 0) {
        Fail(error);
        return 0;
    }
    lastError_ = 0;
    return 1;
}

void SocketSupport::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    ClearLineBuffer();
}

void SocketSupport::ClearLineBuffer() {
    lineBuffer_.clear();
    linePos_ = 0;
}

int SocketSupport::Send(std::string& text, int timeoutMs, int flags) {
    if (fd_ < 0) return Fail(kWsaNotConnected);
    if (text.empty()) return 0;
    SetTimeOut(timeoutMs);
    for (;;) {
        if (!Wait(WaitFor::write)) {
            KillTimeOut();
            return -1;
        }
        const ssize_t n = send(fd_, text.data(), text.size(), flags | MSG_NOSIGNAL);
        if (n >= 0) {
            KillTimeOut();
            text.erase(0, static_cast<std::size_t>(n));
            lastError_ = 0;
            return static_cast<int>(n);
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            KillTimeOut();
            return Fail(netssl::WinsockErrorFromErrno(errno));
        }
    }
}

int SocketSupport::SendBlock(std::string& text, int timeoutMs, int flags) {
    int total = 0;
    while (!text.empty()) {
        const int n = Send(text, timeoutMs, flags);
        if (n < 0) return n;
        total += n;
    }
    return total;
}

int SocketSupport::Receive(std::string& text, int timeoutMs, int flags) {
    if (fd_ < 0) return Fail(kWsaNotConnected);
    SetTimeOut(timeoutMs);
    const std::size_t old = text.size();
    for (;;) {
        if (!Wait(WaitFor::read)) {
            KillTimeOut();
            return -1;
        }
        text.resize(old + kReceiveChunk);
        const ssize_t n = recv(fd_, text.data() + old, kReceiveChunk, flags);
        text.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
        if (n >= 0) {
            KillTimeOut();
            received_ += static_cast<unsigned long long>(n);
            std::replace(text.begin() + static_cast<std::ptrdiff_t>(old), text.end(), '\0', ' ');
            lastError_ = 0;
            return static_cast<int>(n);
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            KillTimeOut();
            return Fail(netssl::WinsockErrorFromErrno(errno));
        }
    }
}

int SocketSupport::GetLine(std::string& out, int, int timeoutMs, int flags) {
    // The line's deadline is set when it first has to be waited for: a line already
    // received costs no look at the clock.
    const int length = timeoutMs > 0 ? timeoutMs : timeOutTime_;
    struct EndLineDeadline {
        long long& deadline;
        ~EndLineDeadline() { deadline = 0; }
    } endLineDeadline{lineDeadlineMs_};

    std::size_t scanned = 0;  // bytes after linePos_ already known to hold no LF
    for (;;) {
        // Lines are handed out from linePos_ on; the buffer is compacted only before it
        // grows, so that a chunk of many short lines is cut in one pass, and a long line is
        // searched for its end only in the bytes that came since the last look.
        const std::size_t lf = lineBuffer_.find('\n', linePos_ + scanned);
        if (lf != std::string::npos) {
            std::size_t end = lf;
            while (end > linePos_ && (lineBuffer_[end - 1] == '\r' || lineBuffer_[end - 1] == '\n')) --end;
            const std::size_t lineLength = end - linePos_;
            out.append(lineBuffer_, linePos_, lineLength);
            out += "\r\n";
            linePos_ = lf + 1;
            if (linePos_ == lineBuffer_.size()) ClearLineBuffer();
            return static_cast<int>(lineLength) + 2;
        }
        lineBuffer_.erase(0, linePos_);
        linePos_ = 0;
        scanned = lineBuffer_.size();
        if (lineBuffer_.size() >= lineLimit_) return Fail(kWsaMsgSize);
        if (lineDeadlineMs_ == 0 && length > 0) lineDeadlineMs_ = NowMs() + static_cast<long long>(length) * kLineTimeOutFactor;
        const int n = Receive(lineBuffer_, timeoutMs, flags);
        if (n <= 0) return n;
    }
}

int SocketSupport::CutOffOneLine(std::string& buffer, std::string& line, bool takeRest) {
    const std::size_t end = FindCRorLF(buffer);
    if (end == 0 && !takeRest) {
        line.clear();
        return -1;
    }
    const std::size_t take = end == 0 ? buffer.size() : end;
    std::size_t length = take;
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n')) --length;
    line.assign(buffer, 0, length);
    buffer.erase(0, take);
    return static_cast<int>(length);
}

std::size_t SocketSupport::FindCRorLF(const std::string& text) {
    const std::size_t lf = text.find('\n');
    return lf == std::string::npos ? 0 : lf + 1;
}
