#include <gtest/gtest.h>

#include <QSignalSpy>

#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>

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

}  // namespace
