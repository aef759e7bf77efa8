#pragma once
// Test helpers: abstract socket names held by another user's process, the way another
// local user could hold the names of the single-instance guard.

#include <QStringList>

#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/tests/forked_holder.h"

namespace shelltest {

inline socklen_t AbstractAddress(const QString& socketName, sockaddr_un& addr) {
    const QByteArray name = socketName.toUtf8();
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name.constData(), static_cast<std::size_t>(name.size()));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

// A socket bound to the abstract name `socketName`; -1 when it cannot be bound.
inline int BindAbstract(const QString& socketName) {
    sockaddr_un addr;
    const socklen_t len = AbstractAddress(socketName, addr);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// How the names are held: listening and reading whatever connects, only bound, or
// listening with an accept queue that is full (a connect would have to wait).
enum class Hold { kListen, kBind, kFullQueue };

// The other user's process (a child). The number of bytes each accepted connection
// brought is written to `report` (read end kept), one int each.
struct ForeignHolder {
    pid_t pid = -1;
    int report = -1;

    ForeignHolder() = default;
    ForeignHolder(const ForeignHolder&) = delete;
    ForeignHolder& operator=(const ForeignHolder&) = delete;
    ~ForeignHolder() {
        Stop();
        if (report >= 0) ::close(report);
    }
    // The other user lets the names go.
    void Stop() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    // The byte counts of the connections so far.
    std::vector<int> Connections() const {
        std::vector<int> out;
        int n = 0;
        while (::read(report, &n, sizeof n) == static_cast<ssize_t>(sizeof n)) out.push_back(n);
        return out;
    }
};

// Holds `names` as the user `uid` (the caller must be root); true once they are held.
inline bool HoldNamesAsUser(ForeignHolder& holder, uid_t uid, const QStringList& names, Hold how) {
    int report[2];
    if (::pipe2(report, O_NONBLOCK) != 0) return false;
    std::vector<pollfd> listening;
    const auto hold = [&] {
        bool ok = ::setgid(uid) == 0 && ::setuid(uid) == 0;
        for (const QString& n : names) {
            const int fd = BindAbstract(n);
            if (fd < 0 || (how != Hold::kBind && ::listen(fd, how == Hold::kFullQueue ? 0 : 4) != 0)) ok = false;
            if (how == Hold::kFullQueue) {
                // Connections of its own, never accepted, until one would have to wait.
                sockaddr_un addr;
                const socklen_t len = AbstractAddress(n, addr);
                for (int i = 0; i < 64; ++i) {
                    const int c = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
                    if (::connect(c, reinterpret_cast<sockaddr*>(&addr), len) != 0) break;
                }
            }
            listening.push_back({fd, POLLIN, 0});
        }
        return ok;
    };
    const auto serve = [&] {
        while (how == Hold::kListen) {
            if (::poll(listening.data(), listening.size(), -1) <= 0) continue;
            for (pollfd& p : listening) {
                if (!(p.revents & POLLIN)) continue;
                const int c = ::accept(p.fd, nullptr, nullptr);
                int bytes = 0;
                char buf[256];
                for (ssize_t n; (n = ::recv(c, buf, sizeof buf, 0)) > 0;) bytes += static_cast<int>(n);
                ::close(c);
                (void)!::write(report[1], &bytes, sizeof bytes);
            }
        }
    };
    holder.pid = testing_support::ForkHolder(hold, serve);
    ::close(report[1]);
    holder.report = report[0];
    return holder.pid > 0;
}

}  // namespace shelltest
