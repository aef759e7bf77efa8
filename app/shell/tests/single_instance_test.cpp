#include <gtest/gtest.h>

#include <QSignalSpy>

#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/shell/single_instance.h"
#include "app/ui/testing/type_text.h"

namespace {

QString UniqueName(const char* what) {
    return QStringLiteral("quendrel-test-%1-%2").arg(what).arg(::getpid());
}

// Binds the guard's name the way another process of the program would, in a child.
pid_t HoldNameInChild(const QString& socketName) {
    QByteArray name = socketName.toUtf8();
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path + 1, name.constData(), static_cast<std::size_t>(name.size()));
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        char ok = (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(fd, 1) == 0) ? 1 : 0;
        (void)!::write(ready[1], &ok, 1);
        for (;;) ::pause();
    }
    char ok = 0;
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return ok ? pid : -1;
}

// Another user's process (uid `uid`, in a child) that holds the abstract names `names`:
// listening, or only bound. Whatever connects is read to the end; the number of bytes
// each connection brought is written to `report` (read end returned), one int each.
struct ForeignHolder {
    pid_t pid = -1;
    int report = -1;

    ~ForeignHolder() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (report >= 0) ::close(report);
    }
    // The byte counts of the connections so far.
    std::vector<int> Connections() const {
        std::vector<int> out;
        int n = 0;
        while (::read(report, &n, sizeof n) == static_cast<ssize_t>(sizeof n)) out.push_back(n);
        return out;
    }
};

bool HoldNamesAsUser(ForeignHolder& holder, uid_t uid, const QStringList& names, bool listen) {
    int ready[2], report[2];
    if (::pipe(ready) != 0 || ::pipe2(report, O_NONBLOCK) != 0) return false;
    holder.pid = ::fork();
    if (holder.pid == 0) {
        char ok = ::setgid(uid) == 0 && ::setuid(uid) == 0 ? 1 : 0;
        std::vector<pollfd> listening;
        for (const QString& n : names) {
            const QByteArray name = n.toUtf8();
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::memcpy(addr.sun_path + 1, name.constData(), static_cast<std::size_t>(name.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
            if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || (listen && ::listen(fd, 4) != 0)) ok = 0;
            listening.push_back({fd, POLLIN, 0});
        }
        (void)!::write(ready[1], &ok, 1);
        for (;;) {
            if (!listen || ::poll(listening.data(), listening.size(), -1) <= 0) {
                ::pause();
                continue;
            }
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
    }
    char ok = 0;
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(report[1]);
    holder.report = report[0];
    return holder.pid > 0 && ok == 1;
}

TEST(SingleInstanceGuard, ASecondStartHandsItsCommandLineToTheFirst) {
    const QString name = UniqueName("handover");
    shell::SingleInstanceGuard first(name);
    ASSERT_EQ(first.Acquire({}), shell::SingleInstanceGuard::Result::kFirst);
    QSignalSpy spy(&first, &shell::SingleInstanceGuard::SecondInstanceStarted);

    const QStringList args{"Quendrel", QString::fromUtf8("/tmp/本文.txt"), ""};
    std::atomic<int> result{-1};
    std::thread second([&] {
        shell::SingleInstanceGuard other(name);
        result = static_cast<int>(other.Acquire(args));
    });
    ASSERT_TRUE(ui::test::WaitUntil([&] { return result.load() >= 0 && spy.count() == 1; }));
    second.join();
    EXPECT_EQ(result.load(), static_cast<int>(shell::SingleInstanceGuard::Result::kHandedOver));
    EXPECT_EQ(spy.at(0).at(0).toStringList(), args);

    // Released, the name is free for the next start.
    first.Release();
    shell::SingleInstanceGuard next(name);
    EXPECT_EQ(next.Acquire({}), shell::SingleInstanceGuard::Result::kFirst);
}

TEST(SingleInstanceGuard, AKilledFirstInstanceNeverBlocksTheNextStart) {
    const QString name = UniqueName("killed");
    shell::SingleInstanceGuard probe(name);
    pid_t child = HoldNameInChild(probe.SocketName());
    ASSERT_GT(child, 0);
    // While the other process lives, this start is the second.
    {
        shell::SingleInstanceGuard second(name);
        EXPECT_EQ(second.Acquire({"Quendrel"}), shell::SingleInstanceGuard::Result::kHandedOver);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    shell::SingleInstanceGuard next(name);
    EXPECT_EQ(next.Acquire({}), shell::SingleInstanceGuard::Result::kFirst);
}

TEST(SingleInstanceGuard, AnotherUsersProcessIsNotListenedTo) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const QString name = UniqueName("user");
    shell::SingleInstanceGuard first(name);
    ASSERT_EQ(first.Acquire({}), shell::SingleInstanceGuard::Result::kFirst);
    QSignalSpy spy(&first, &shell::SingleInstanceGuard::SecondInstanceStarted);
    QByteArray sockName = first.SocketName().toUtf8();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setuid(65534) != 0) ::_exit(2);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path + 1, sockName.constData(), static_cast<std::size_t>(sockName.size()));
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + sockName.size());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) ::_exit(3);
        (void)!::write(fd, "x\0", 2);
        ::_exit(0);
    }
    int status = 0;
    // Let the GUI loop take the connection while the child runs.
    ui::test::WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    ui::test::WaitUntil([] { return false; }, 200);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(spy.count(), 0);
}

// A name taken by another user's process: a listener is asked who it is and gets
// nothing; a socket only bound is passed over too. The user's copies meet on the next
// name; with every name taken the start goes on unguarded.
TEST(SingleInstanceGuard, NamesHeldByAnotherUserArePassedOverAndGetNothing) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    constexpr uid_t kNobody = 65534;
    struct Case {
        const char* what;
        bool listen;
    } cases[] = {{"listening", true}, {"bound", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = UniqueName(c.what);
        shell::SingleInstanceGuard first(name);
        ForeignHolder holder;
        ASSERT_TRUE(HoldNamesAsUser(holder, kNobody, {first.SocketName(0)}, c.listen));

        ASSERT_EQ(first.Acquire({}), shell::SingleInstanceGuard::Result::kFirst);
        EXPECT_EQ(first.ListeningName(), first.SocketName(1));
        QSignalSpy spy(&first, &shell::SingleInstanceGuard::SecondInstanceStarted);
        const QStringList args{"Quendrel", QString::fromUtf8("/home/user/顧客リスト.csv")};
        std::atomic<int> result{-1};
        std::thread second([&] { result = static_cast<int>(shell::SingleInstanceGuard(name).Acquire(args)); });
        ASSERT_TRUE(ui::test::WaitUntil([&] { return result.load() >= 0 && spy.count() == 1; }));
        second.join();
        EXPECT_EQ(result.load(), static_cast<int>(shell::SingleInstanceGuard::Result::kHandedOver));
        EXPECT_EQ(spy.at(0).at(0).toStringList(), args);
        ui::test::WaitUntil([] { return false; }, 100);
        for (int bytes : holder.Connections()) EXPECT_EQ(bytes, 0);
    }

    const QString name = UniqueName("all");
    shell::SingleInstanceGuard guard(name);
    QStringList all;
    for (int i = 0; i < shell::SingleInstanceGuard::kNames; ++i) all << guard.SocketName(i);
    ForeignHolder holder;
    ASSERT_TRUE(HoldNamesAsUser(holder, kNobody, all, true));
    EXPECT_EQ(guard.Acquire({"Quendrel", "/tmp/a.txt"}), shell::SingleInstanceGuard::Result::kFailed);
    EXPECT_TRUE(guard.ListeningName().isEmpty());
    ui::test::WaitUntil([] { return false; }, 100);
    const std::vector<int> connections = holder.Connections();
    EXPECT_EQ(connections.size(), static_cast<std::size_t>(shell::SingleInstanceGuard::kNames));
    for (int bytes : connections) EXPECT_EQ(bytes, 0);
}

}  // namespace
