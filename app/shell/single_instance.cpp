#include "app/shell/single_instance.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace shell {
namespace {

// How long a second start waits for the first to take its command line.
constexpr int kHandOverMs = 1000;
// A command line larger than this is not read (nothing legitimate comes near it).
constexpr std::size_t kMaxMessage = 64 * 1024;
// How often a name is looked at, and the pause between two looks: enough for a copy that
// has bound the name to start listening, or for one that is ending to let it go.
constexpr int kRounds = 5;
constexpr useconds_t kRetryPauseUs = 20 * 1000;

socklen_t AbstractAddress(const QByteArray& name, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    // sun_path[0] stays 0: the abstract namespace. The name is not 0-terminated.
    std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(name.size()), sizeof addr.sun_path - 1);
    std::memcpy(addr.sun_path + 1, name.constData(), len);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + len);
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Arguments travel as UTF-8, each ended by a 0 byte; the message ends when the sender
// shuts its side down.
QByteArray Encode(const QStringList& arguments) {
    QByteArray out;
    for (const QString& a : arguments) {
        out += a.toUtf8();
        out += '\0';
    }
    return out;
}

QStringList Decode(const QByteArray& bytes) {
    QStringList out;
    for (const QByteArray& part : bytes.split('\0')) out << QString::fromUtf8(part);
    if (!out.isEmpty()) out.removeLast();  // after the last terminator
    return out;
}

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& name, QObject* parent)
    : QObject(parent), baseName_(QStringLiteral("%1-%2").arg(name).arg(::getuid())) {}

SingleInstanceGuard::~SingleInstanceGuard() { Release(); }

QString SingleInstanceGuard::SocketName(int index) const {
    return index == 0 ? baseName_ : QStringLiteral("%1-%2").arg(baseName_).arg(index);
}

SingleInstanceGuard::Result SingleInstanceGuard::Acquire(const QStringList& arguments) {
    if (listenFd_ >= 0) return Result::kFirst;
    for (int index = 0; index < kNames; ++index) {
        switch (TryName(SocketName(index), arguments)) {
        case Outcome::kListening: return Result::kFirst;
        case Outcome::kHandedOver: return Result::kHandedOver;
        case Outcome::kTakenByOther: continue;
        case Outcome::kError: return Result::kFailed;
        }
    }
    return Result::kFailed;
}

SingleInstanceGuard::Outcome SingleInstanceGuard::TryName(const QString& name, const QStringList& arguments) {
    sockaddr_un addr;
    const socklen_t len = AbstractAddress(name.toUtf8(), addr);
    for (int round = 0; round < kRounds; ++round) {
        if (round > 0) ::usleep(kRetryPauseUs);
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return Outcome::kError;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(fd, 8) == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            listenFd_ = fd;
            listeningName_ = name;
            notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { AcceptPending(); });
            return Outcome::kListening;
        }
        const int bindError = errno;
        ::close(fd);
        if (bindError != EADDRINUSE) return Outcome::kError;

        // Not blocking: a listener that never accepts must not hold this start for ever.
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return Outcome::kError;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
            // Refused: bound but not listening yet (a copy in the middle of its start), or
            // just ended; busy: its queue is full. Both are looked at again.
            const int connectError = errno;
            ::close(fd);
            if (connectError != ECONNREFUSED && connectError != EAGAIN) return Outcome::kError;
            if (connectError == EAGAIN && round + 1 == kRounds) return Outcome::kError;
            continue;
        }
        // The listener's credentials, as the kernel recorded them when it listened: the
        // command line (file paths) goes to this user's own program only.
        ucred cred{};
        socklen_t credLen = sizeof cred;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0 || cred.uid != ::getuid()) {
            ::close(fd);
            return Outcome::kTakenByOther;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const bool sent = WriteAll(fd, Encode(arguments));
        ::shutdown(fd, SHUT_WR);
        // Wait (briefly) until the first instance has read everything and closed.
        pollfd p{fd, POLLIN, 0};
        char c;
        while (sent && ::poll(&p, 1, kHandOverMs) > 0 && ::recv(fd, &c, 1, 0) > 0) {
        }
        ::close(fd);
        return Outcome::kHandedOver;
    }
    // A name held for long without a listener is no copy of this user's program.
    return Outcome::kTakenByOther;
}

void SingleInstanceGuard::Release() {
    notifier_.reset();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    listeningName_.clear();
}

void SingleInstanceGuard::AcceptPending() {
    for (;;) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        // Any local user may connect to an abstract socket: take nothing from another
        // user's process.
        ucred cred{};
        socklen_t credLen = sizeof cred;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0 || cred.uid != ::getuid()) {
            ::close(fd);
            continue;
        }
        QByteArray message;
        pollfd p{fd, POLLIN, 0};
        char buf[4096];
        while (::poll(&p, 1, kHandOverMs) > 0) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            message.append(buf, n);
            if (static_cast<std::size_t>(message.size()) > kMaxMessage) break;
        }
        ::close(fd);
        emit SecondInstanceStarted(Decode(message));
    }
}

}  // namespace shell
