#include "platform/netssl/net_transport.h"

#include "platform/netssl/net_lookup.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>

namespace netssl {
namespace {

using Clock = std::chrono::steady_clock;

// ---- OpenSSL over our non-blocking socket: send() with MSG_NOSIGNAL, so that a peer
// that went away never raises SIGPIPE in the program.

int BioWrite(BIO* bio, const char* data, int len) {
    auto* st = static_cast<NetTransport::SocketState*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t n = send(st->fd, data, static_cast<size_t>(len), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        BIO_set_retry_write(bio);
    } else {
        st->lastErrno = errno;
    }
    return -1;
}

int BioRead(BIO* bio, char* data, int len) {
    auto* st = static_cast<NetTransport::SocketState*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t n = recv(st->fd, data, static_cast<size_t>(len), 0);
    if (n > 0) return static_cast<int>(n);
    if (n == 0) {
        st->eof = true;
        return 0;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        BIO_set_retry_read(bio);
    } else {
        st->lastErrno = errno;
    }
    return -1;
}

long BioCtrl(BIO*, int cmd, long, void*) {
    return cmd == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "netssl socket");
        BIO_meth_set_write(m, BioWrite);
        BIO_meth_set_read(m, BioRead);
        BIO_meth_set_ctrl(m, BioCtrl);
        BIO_meth_set_create(m, BioCreate);
        return m;
    }();
    return method;
}

std::string OpenSslErrors() {
    std::string text;
    while (unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.empty()) text += "; ";
        text += buf;
    }
    return text;
}

std::string NameLine(X509_NAME* name) {
    if (!name) return "?";
    char buf[512];
    X509_NAME_oneline(name, buf, sizeof buf);
    return buf;
}

// `seconds` in milliseconds, at most what an int holds (a longer wait is as good as endless).
int Milliseconds(int seconds) {
    constexpr int kMost = std::numeric_limits<int>::max() / 1000;
    return std::min(seconds, kMost) * 1000;
}

bool IsIpLiteral(const std::string& host) {
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

}  // namespace

NetTransport::NetTransport(NetInterrupt& interrupt) : interrupt_(interrupt) {}

NetTransport::~NetTransport() { Close(); }

void NetTransport::SetTimeout(int seconds) { timeoutMs_ = Milliseconds(seconds < 1 ? 60 : seconds); }

void NetTransport::SetInterruptGrace(int seconds) {
    interruptGraceMs_ = seconds > 0 ? Milliseconds(seconds) : 0;
    graceEnd_.reset();
}

int NetTransport::CheckInterrupt(NetError& error) {
    if (interrupt_.Pending()) {
        interrupt_.Clear();
        if (interruptGraceMs_ <= 0) return error.Set(kNetTimeout, "Interrupted.");
        if (!graceEnd_) graceEnd_ = Clock::now() + std::chrono::milliseconds(interruptGraceMs_);
    }
    if (graceEnd_ && Clock::now() >= *graceEnd_) {
        graceEnd_.reset();
        return error.Set(kNetTimeout, "Interrupted.");
    }
    return kNetOk;
}

void NetTransport::StartReply(size_t bytesPerSecond) {
    replyStart_ = Clock::now();
    replyBytesBefore_ = received_;
    replyBytesPerSecond_ = bytesPerSecond;
}

void NetTransport::EndReply() { replyStart_.reset(); }

int NetTransport::Wait(WaitFor what, NetError& error) {
    // The nearest of the bounds that apply: the time-out of inactivity, the line's, the
    // reply's (which moves only when bytes come, that is between two waits).
    enum class Bound { kSilence, kLine, kReply } bound = Bound::kSilence;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
    if (lineDeadline_ && *lineDeadline_ < deadline) {
        deadline = *lineDeadline_;
        bound = Bound::kLine;
    }
    if (replyStart_) {
        auto replyEnd = *replyStart_ + std::chrono::milliseconds(timeoutMs_);
        if (replyBytesPerSecond_ > 0) {
            replyEnd += std::chrono::milliseconds((received_ - replyBytesBefore_) * 1000 / replyBytesPerSecond_);
        }
        if (replyEnd < deadline) {
            deadline = replyEnd;
            bound = Bound::kReply;
        }
    }
    // The hook runs once the wait has lasted kWaitHookAfterMs: a server that answers at
    // once (loopback, a busy pipeline) costs no call of it. Then again when it asks to.
    std::optional<Clock::time_point> hookAt;
    if (waitHook_) hookAt = Clock::now() + std::chrono::milliseconds(kWaitHookAfterMs);
    for (;;) {
        if (int rc = CheckInterrupt(error); rc != kNetOk) return rc;
        // An interrupt in a grace ends the wait when the grace does (CheckInterrupt).
        const bool graceFirst = graceEnd_ && *graceEnd_ < deadline;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>((graceFirst ? *graceEnd_ : deadline) - Clock::now());
        if (left.count() <= 0) {
            if (graceFirst) continue;
            const std::string seconds = std::to_string(timeoutMs_ / 1000);
            switch (bound) {
            case Bound::kLine:
                return error.Set(kNetTimeout, "Timeout. A line from the server did not come whole within " +
                                                  std::to_string(timeoutMs_ / 1000 * kLineTimeoutFactor) + " s.");
            case Bound::kReply:
                return error.Set(kNetTimeout, "Timeout. The server's reply did not come whole within " + seconds +
                                                  (replyBytesPerSecond_ > 0 ? " s and the time its size allows." : " s."));
            case Bound::kSilence: break;
            }
            return error.Set(kNetTimeout, "Timeout. No answer from the server within " + seconds + " s.");
        }
        pollfd fds[2] = {{fd_, static_cast<short>(what == WaitFor::read ? POLLIN : POLLOUT), 0},
                         {interrupt_.Fd(), POLLIN, 0}};
        const auto untilHook =
            hookAt ? std::chrono::ceil<std::chrono::milliseconds>(*hookAt - Clock::now()) : left;
        const bool hookFirst = hookAt && untilHook < left;
        const int n = poll(fds, 2, hookFirst ? static_cast<int>(std::max<long long>(untilHook.count(), 0))
                                             : static_cast<int>(left.count()));
        if (n < 0) {
            if (errno == EINTR) continue;
            return SetSocketError(error, "Waiting on the socket failed", errno);
        }
        if (n > 0 && fds[0].revents) return kNetOk;  // ready, or an error the next call reports
        if (hookFirst && n == 0 && Clock::now() >= *hookAt) {
            const int again = waitHook_();
            if (again > 0) hookAt = Clock::now() + std::chrono::milliseconds(again);
            else hookAt.reset();
        }
    }
}

int NetTransport::Connect(const std::string& host, int port, NetError& error) {
    Close();
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::shared_ptr<NameLookup> resolution;  // names: on a helper thread, within the time-out

    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0) {
        list = nullptr;
        hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
        resolution = StartNameLookup(host, service, hints);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(resolution->mutex);
                if (resolution->done) break;
            }
            if (int rc = CheckInterrupt(error); rc != kNetOk) return rc;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return error.Set(kNetTimeout, "Timeout. The server name could not be resolved in time.");
            pollfd fds[2] = {{resolution->fd, POLLIN, 0}, {interrupt_.Fd(), POLLIN, 0}};
            poll(fds, 2, static_cast<int>(left.count()));
        }
        if (resolution->rc != 0 || !resolution->result) {
            const int code = resolution->rc == EAI_AGAIN ? kWsaTryAgain : kWsaHostNotFound;
            return error.Set(code, "The remotehost address is invalid (0.0.0.0). Host \"" + host +
                                       "\" not found: " + ResolverWords(resolution->rc) + ".");
        }
        list = resolution->result;
    }

    int rc = error.Set(kWsaHostNotFound, "The remotehost address is invalid (0.0.0.0).");
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        const int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            rc = SetSocketError(error, "Creating a socket failed", errno);
            continue;
        }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        fd_ = fd;
        if (connect(fd, ai->ai_addr, ai->ai_addrlen) != 0 && errno != EINPROGRESS) {
            rc = SetSocketError(error, "Connecting failed", errno);
            Close();
            continue;
        }
        rc = Wait(WaitFor::write, error);
        if (rc == kNetOk) {
            int soError = 0;
            socklen_t len = sizeof soError;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
            if (soError == 0) break;
            rc = SetSocketError(error, "Connecting failed", soError);
        }
        Close();
        if (rc == kNetTimeout) break;  // the time-out and an interrupt cover the whole connect
    }
    if (!resolution && list) freeaddrinfo(list);
    if (rc == kNetOk) {
        state_ = SocketState{fd_, 0, false};
        error.Clear();
    }
    return rc;
}

int NetTransport::TlsError(int ret, const char* what, NetError& error) {
    const int e = SSL_get_error(ssl_, ret);
    if (e == SSL_ERROR_ZERO_RETURN || state_.eof) {
        ERR_clear_error();
        peerClosed_ = true;
        return error.Set(kWsaEconnaborted, std::string("Connection closed by the server (10053)."));
    }
    if (e == SSL_ERROR_SYSCALL && state_.lastErrno) {
        ERR_clear_error();
        return SetSocketError(error, what, state_.lastErrno);
    }
    std::string detail = OpenSslErrors();
    return error.Set(kNetSslError, std::string(what) + " failed (276)" +
                                       (detail.empty() ? std::string(".") : ": " + detail + "."));
}

int NetTransport::StartTls(const std::string& host, const TlsSettings& settings, const TlsStatusFn& status,
                           NetError& error) {
    if (fd_ < 0) return error.Set(kNetNotConnected, "Not connected.");
    if (ssl_) return error.Set(kNetSslError, "Error during handshake: TLS is already on.");
    ERR_clear_error();
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_) return error.Set(kNetSslError, "Error during handshake: " + OpenSslErrors());
    // Old protocol choices (SSL 2, SSL 3, TLS 1.0) are not offered by OpenSSL 3 and are
    // unsafe; whatever the mask, the session uses TLS 1.2 or later.
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_mode(ctx_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (status) {
        status("Enabled protocols (mask " + std::to_string(settings.protocolMask) +
               ") are served with TLS 1.2 or later.");
    }
    if (settings.verifyPeer) {
        SSL_CTX_set_default_verify_paths(ctx_);
        SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    } else {
        SSL_CTX_set_verify(ctx_, SSL_VERIFY_NONE, nullptr);
    }
    ssl_ = SSL_new(ctx_);
    BIO* bio = BIO_new(SocketBioMethod());
    if (!ssl_ || !bio) {
        if (bio) BIO_free(bio);
        return error.Set(kNetSslError, "Error during handshake: " + OpenSslErrors());
    }
    BIO_set_data(bio, &state_);
    SSL_set_bio(ssl_, bio, bio);
    const bool ip = IsIpLiteral(host);
    if (!ip && !host.empty()) SSL_set_tlsext_host_name(ssl_, host.c_str());
    if (settings.verifyPeer) {
        X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
        if (ip) X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
        else SSL_set1_host(ssl_, host.c_str());
    }
    state_.eof = false;
    state_.lastErrno = 0;
    // A server that drips its handshake is bounded like a reply.
    const ReplyDeadline handshakeDeadline(*this);
    for (;;) {
        ERR_clear_error();
        const int ret = SSL_connect(ssl_);
        if (ret == 1) break;
        const int e = SSL_get_error(ssl_, ret);
        int rc = kNetOk;
        if (e == SSL_ERROR_WANT_READ) rc = Wait(WaitFor::read, error);
        else if (e == SSL_ERROR_WANT_WRITE) rc = Wait(WaitFor::write, error);
        else if (settings.verifyPeer && SSL_get_verify_result(ssl_) != X509_V_OK) {
            rc = error.Set(kNetSslError, std::string("Server certificate verification failed. Connection aborted. (") +
                                             X509_verify_cert_error_string(SSL_get_verify_result(ssl_)) + ")");
        } else if (state_.eof || e == SSL_ERROR_ZERO_RETURN) {
            rc = error.Set(kNetSslError, "Server disconnected before handshake completion.");
        } else if (e == SSL_ERROR_SYSCALL && state_.lastErrno) {
            rc = SetSocketError(error, "Error during handshake", state_.lastErrno);
            error.code = kNetSslError;
        } else {
            const std::string detail = OpenSslErrors();
            rc = error.Set(kNetSslError, "Error during handshake: " + (detail.empty() ? "unknown failure" : detail) + ".");
        }
        if (rc != kNetOk) {
            ERR_clear_error();
            return rc;
        }
    }
    if (status) {
        status(std::string("TLS session: ") + SSL_get_version(ssl_) + ", cipher " + SSL_get_cipher_name(ssl_) + ".");
        if (X509* cert = SSL_get1_peer_certificate(ssl_)) {
            status("Server certificate: " + NameLine(X509_get_subject_name(cert)) + ", issued by " +
                   NameLine(X509_get_issuer_name(cert)) +
                   (settings.verifyPeer ? ", verified." : ", accepted without verification."));
            X509_free(cert);
        }
    }
    return kNetOk;
}

int NetTransport::Send(std::string_view data, NetError& error) {
    if (fd_ < 0) return error.Set(kNetNotConnected, "Not connected.");
    size_t done = 0;
    while (done < data.size()) {
        // A peer that takes everything at once never makes us wait: look for an interrupt
        // between chunks too.
        if (int rc = CheckInterrupt(error); rc != kNetOk) return rc;
        const size_t chunk = std::min<size_t>(data.size() - done, 1 << 20);
        if (ssl_) {
            ERR_clear_error();
            const int n = SSL_write(ssl_, data.data() + done, static_cast<int>(chunk));
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            const int e = SSL_get_error(ssl_, n);
            int rc;
            if (e == SSL_ERROR_WANT_WRITE) rc = Wait(WaitFor::write, error);
            else if (e == SSL_ERROR_WANT_READ) rc = Wait(WaitFor::read, error);
            else rc = TlsError(n, "Sending", error);
            if (rc != kNetOk) return rc;
        } else {
            const ssize_t n = send(fd_, data.data() + done, chunk, MSG_NOSIGNAL);
            if (n >= 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return SetSocketError(error, "Sending failed", errno);
            if (int rc = Wait(WaitFor::write, error); rc != kNetOk) return rc;
        }
    }
    return kNetOk;
}

int NetTransport::Fill(NetError& error) {
    if (inPos_ > 0 && inPos_ >= in_.size() / 2) {
        in_.erase(0, inPos_);
        inPos_ = 0;
    }
    if (int rc = CheckInterrupt(error); rc != kNetOk) return rc;
    char buf[16384];
    for (;;) {
        if (ssl_) {
            ERR_clear_error();
            const int n = SSL_read(ssl_, buf, sizeof buf);
            if (n > 0) {
                received_ += static_cast<size_t>(n);
                in_.append(buf, static_cast<size_t>(n));
                return kNetOk;
            }
            const int e = SSL_get_error(ssl_, n);
            int rc;
            if (e == SSL_ERROR_WANT_READ) rc = Wait(WaitFor::read, error);
            else if (e == SSL_ERROR_WANT_WRITE) rc = Wait(WaitFor::write, error);
            else rc = TlsError(n, "Receiving", error);
            if (rc != kNetOk) return rc;
        } else {
            const ssize_t n = recv(fd_, buf, sizeof buf, 0);
            if (n > 0) {
                received_ += static_cast<size_t>(n);
                in_.append(buf, static_cast<size_t>(n));
                return kNetOk;
            }
            if (n == 0) {
                peerClosed_ = true;
                return error.Set(kWsaEconnaborted, "Connection closed by the server (10053).");
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return SetSocketError(error, "Receiving failed", errno);
            if (int rc = Wait(WaitFor::read, error); rc != kNetOk) return rc;
        }
    }
}

int NetTransport::ReadLine(std::string& line, NetError& error, size_t maxLine) {
    if (fd_ < 0) return error.Set(kNetNotConnected, "Not connected.");
    // The line's deadline is set when it first has to be waited for: a line already
    // received costs no look at the clock.
    struct EndLineDeadline {
        std::optional<Clock::time_point>& deadline;
        ~EndLineDeadline() { deadline.reset(); }
    } endLineDeadline{lineDeadline_};
    size_t searchFrom = inPos_;
    for (;;) {
        const size_t nl = in_.find('\n', searchFrom);
        if (nl != std::string::npos) {
            size_t end = nl;
            if (end > inPos_ && in_[end - 1] == '\r') --end;
            line.assign(in_, inPos_, end - inPos_);
            inPos_ = nl + 1;
            return kNetOk;
        }
        if (in_.size() - inPos_ > maxLine) {
            return error.Set(kNetProtocol, "Protocol error: a line from the server is longer than " +
                                               (maxLine % (1 << 20) == 0 ? std::to_string(maxLine >> 20) + " MiB."
                                                                         : std::to_string(maxLine) + " bytes."));
        }
        const size_t pending = in_.size() - inPos_;
        if (!lineDeadline_) lineDeadline_ = Clock::now() + std::chrono::milliseconds(timeoutMs_) * kLineTimeoutFactor;
        if (int rc = Fill(error); rc != kNetOk) return rc;
        searchFrom = inPos_ + pending;  // Fill may have moved the buffer
    }
}

size_t NetTransport::TakeBuffered(std::string& out, size_t count) {
    const size_t n = std::min(count, in_.size() - inPos_);
    out.append(in_, inPos_, n);
    inPos_ += n;
    if (inPos_ == in_.size()) {
        in_.clear();
        inPos_ = 0;
    }
    return n;
}

int NetTransport::ReadBytes(std::string& out, size_t count, NetError& error) {
    if (fd_ < 0) return error.Set(kNetNotConnected, "Not connected.");
    size_t left = count - TakeBuffered(out, count);
    while (left > 0) {
        if (int rc = Fill(error); rc != kNetOk) return rc;
        left -= TakeBuffered(out, left);
    }
    return kNetOk;
}

int NetTransport::ReadToClose(std::string& out, size_t limit, NetError& error) {
    if (fd_ < 0) return error.Set(kNetNotConnected, "Not connected.");
    peerClosed_ = false;
    for (;;) {
        TakeBuffered(out, in_.size() - inPos_);
        if (out.size() > limit) {
            return error.Set(kNetProtocol, "Protocol error: more than " + std::to_string(limit) +
                                               " bytes before the end of the connection.");
        }
        if (int rc = Fill(error); rc != kNetOk) {
            if (!peerClosed_) return rc;
            error.Clear();
            return kNetOk;
        }
    }
}

void NetTransport::Close() {
    if (ssl_) {
        if (!state_.eof && state_.lastErrno == 0) {
            ERR_clear_error();
            SSL_shutdown(ssl_);  // one attempt: the close notification, without waiting
        }
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
    if (ctx_) {
        SSL_CTX_free(ctx_);
        ctx_ = nullptr;
    }
    ERR_clear_error();
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    state_ = SocketState{};
    peerClosed_ = false;
    replyStart_.reset();
    received_ = 0;
    in_.clear();
    inPos_ = 0;
}

}  // namespace netssl
