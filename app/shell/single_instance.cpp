#include "app/shell/single_instance.h"

#include <QSocketNotifier>

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/module_path.h"
#include "platform/path.h"

namespace shell {
namespace {

// How long a second start waits for the first to take its command line.
constexpr int kHandOverMs = 1000;
// A command line larger than this is not read (nothing legitimate comes near it).
constexpr std::size_t kMaxMessage = 64 * 1024;
// How long a start that finds the lock held tries to reach the running copy (which
// listens a moment after it took the lock), and the pause between two tries.
constexpr std::chrono::milliseconds kReachRunningCopy{1000};
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
    : SingleInstanceGuard(name, std::string(), parent) {}

SingleInstanceGuard::SingleInstanceGuard(const QString& name, const std::string& lockFolder, QObject* parent)
    : QObject(parent), baseName_(QStringLiteral("%1-%2").arg(name).arg(::getuid())) {
    const std::string folder = lockFolder.empty() ? platform::UserRuntimeFolder() : lockFolder;
    if (!folder.empty()) lockPath_ = platform::JoinPath(folder, name.toStdString() + ".lock");
}

SingleInstanceGuard::~SingleInstanceGuard() { Release(); }

QString SingleInstanceGuard::SocketName(int index) const {
    return index == 0 ? baseName_ : QStringLiteral("%1-%2").arg(baseName_).arg(index);
}

SingleInstanceGuard::Result SingleInstanceGuard::Acquire(const QStringList& arguments) {
    if (lock_.IsLocked() || listenFd_ >= 0) return Result::kFirst;
    const auto deadline = std::chrono::steady_clock::now() + kReachRunningCopy;
    while (!lockPath_.empty()) {
        const platform::FileLock::Result locked = lock_.Lock(lockPath_);
        if (locked == platform::FileLock::Result::kLocked) {
            // A copy of this user's started with other settings (another home folder) holds
            // another lock, but listens on the same names: it still takes the command line.
            if (HandOver(arguments)) {
                lock_.Release();
                return Result::kHandedOver;
            }
            Listen();
            return Result::kFirst;
        }
        if (locked == platform::FileLock::Result::kRefused) return Result::kRefused;
        if (locked == platform::FileLock::Result::kFailed) break;
        // Held: the running copy listens as soon as it has taken the lock, or it ends and
        // lets the lock go.
        if (HandOver(arguments)) return Result::kHandedOver;
        if (std::chrono::steady_clock::now() >= deadline) return Result::kAlreadyRunning;
        ::usleep(kRetryPauseUs);
    }
    // No lock can be had (no home folder, a full disk): the socket is all there is.
    if (HandOver(arguments)) return Result::kHandedOver;
    Listen();
    return Result::kFirst;
}

bool SingleInstanceGuard::Listen() {
    for (int index = 0; index < kNames; ++index) {
        const QString name = SocketName(index);
        sockaddr_un addr;
        const socklen_t len = AbstractAddress(name.toUtf8(), addr);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return false;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(fd, 8) == 0) {
            listenFd_ = fd;
            listeningName_ = name;
            notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { AcceptPending(); });
            return true;
        }
        const int error = errno;
        ::close(fd);
        // Held by someone else: no copy of this user's, since this one holds the lock.
        if (error != EADDRINUSE) return false;
    }
    return false;
}

bool SingleInstanceGuard::HandOver(const QStringList& arguments) {
    for (int index = 0; index < kNames; ++index) {
        sockaddr_un addr;
        const socklen_t len = AbstractAddress(SocketName(index).toUtf8(), addr);
        // Not blocking: a listener that never accepts must not hold this start for ever.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return false;
        // Refused (nobody listens there), busy (a full queue): the next name.
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
            ::close(fd);
            continue;
        }
        // The listener's credentials, as the kernel recorded them when it listened: the
        // command line (file paths) goes to this user's own program only.
        ucred cred{};
        socklen_t credLen = sizeof cred;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0 || cred.uid != ::getuid()) {
            ::close(fd);
            continue;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const bool sent = WriteAll(fd, Encode(arguments));
        ::shutdown(fd, SHUT_WR);
        // Wait (briefly) until the running copy has read everything and closed.
        pollfd p{fd, POLLIN, 0};
        char c;
        while (sent && ::poll(&p, 1, kHandOverMs) > 0 && ::recv(fd, &c, 1, 0) > 0) {
        }
        ::close(fd);
        return true;
    }
    return false;
}

void SingleInstanceGuard::Release() {
    notifier_.reset();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    listeningName_.clear();
    lock_.Release();
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
