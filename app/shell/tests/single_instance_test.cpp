#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

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
#include "app/shell/tests/foreign_names.h"
#include "app/ui/testing/type_text.h"
#include "platform/file_lock.h"
#include "platform/tests/forked_holder.h"

namespace {

using Result = shell::SingleInstanceGuard::Result;
using shelltest::BindAbstract;
using shelltest::ForeignHolder;
using shelltest::Hold;
using shelltest::HoldNamesAsUser;

QString UniqueName(const char* what) {
    return QStringLiteral("quendrel-test-%1-%2").arg(what).arg(::getpid());
}

// The guards of one test share a lock folder of the test's own.
class SingleInstanceGuardTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string Folder() const { return dir_.path().toStdString() + "/"; }
    std::unique_ptr<shell::SingleInstanceGuard> Guard(const QString& name) const {
        return std::make_unique<shell::SingleInstanceGuard>(name, Folder());
    }

    QTemporaryDir dir_;
};

// A copy of the program in a child: it holds the lock of `lockPath` and listens on
// `socketName` without ever accepting (busy starting), until it is killed.
pid_t RunningCopyInChild(const std::string& lockPath, const QString& socketName) {
    return testing_support::ForkHolder([&] {
        static platform::FileLock lock;  // held for the child's life
        const int fd = lock.Lock(lockPath) == platform::FileLock::Result::kLocked ? BindAbstract(socketName) : -1;
        return fd >= 0 && ::listen(fd, 1) == 0;
    });
}

TEST_F(SingleInstanceGuardTest, ASecondStartHandsItsCommandLineToTheFirst) {
    const QString name = UniqueName("handover");
    auto first = Guard(name);
    ASSERT_EQ(first->Acquire({}), Result::kFirst);
    EXPECT_EQ(first->ListeningName(), first->SocketName(0));
    EXPECT_EQ(first->LockPath(), Folder() + name.toStdString() + ".lock");
    QSignalSpy spy(first.get(), &shell::SingleInstanceGuard::SecondInstanceStarted);

    const QStringList args{"Quendrel", QString::fromUtf8("/tmp/本文.txt"), ""};
    std::atomic<int> result{-1};
    std::thread second([&] { result = static_cast<int>(Guard(name)->Acquire(args)); });
    ASSERT_TRUE(ui::test::WaitUntil([&] { return result.load() >= 0 && spy.count() == 1; }));
    second.join();
    EXPECT_EQ(result.load(), static_cast<int>(Result::kHandedOver));
    EXPECT_EQ(spy.at(0).at(0).toStringList(), args);

    // A copy started with other settings (its lock in another folder) hands over all the
    // same, and keeps no lock.
    QTemporaryDir elsewhere;
    const std::string elsewhereFolder = elsewhere.path().toStdString() + "/";
    result = -1;
    std::thread third([&] {
        result = static_cast<int>(shell::SingleInstanceGuard(name, elsewhereFolder).Acquire(args));
    });
    ASSERT_TRUE(ui::test::WaitUntil([&] { return result.load() >= 0 && spy.count() == 2; }));
    third.join();
    EXPECT_EQ(result.load(), static_cast<int>(Result::kHandedOver));
    platform::FileLock probe;
    EXPECT_EQ(probe.Lock(elsewhereFolder + name.toStdString() + ".lock"), platform::FileLock::Result::kLocked);

    // Released, the lock and the name are free for the next start.
    first->Release();
    EXPECT_EQ(Guard(name)->Acquire({}), Result::kFirst);
}

TEST_F(SingleInstanceGuardTest, AKilledFirstInstanceNeverBlocksTheNextStart) {
    const QString name = UniqueName("killed");
    auto probe = Guard(name);
    const pid_t child = RunningCopyInChild(probe->LockPath(), probe->SocketName());
    ASSERT_GT(child, 0);
    // While the other copy lives, this start is the second.
    EXPECT_EQ(Guard(name)->Acquire({"Quendrel"}), Result::kHandedOver);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(Guard(name)->Acquire({}), Result::kFirst);
}

TEST_F(SingleInstanceGuardTest, AnotherUsersProcessIsNotListenedTo) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const QString name = UniqueName("user");
    auto first = Guard(name);
    ASSERT_EQ(first->Acquire({}), Result::kFirst);
    QSignalSpy spy(first.get(), &shell::SingleInstanceGuard::SecondInstanceStarted);
    sockaddr_un addr;
    const socklen_t len = shelltest::AbstractAddress(first->SocketName(), addr);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setuid(65534) != 0) ::_exit(2);
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
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

// Another user's process holds some of the names, as listener, only bound, or with a full
// queue, before this user's first copy starts. The first copy runs and listens on the
// first name left; the second start hands its command line over there, or, with no name
// left, cannot, and is still the second. Nothing reaches the other user, and a name the
// other user lets go later does not let a second copy in.
TEST_F(SingleInstanceGuardTest, NamesHeldByAnotherUserNeverLetASecondCopyRun) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    constexpr uid_t kNobody = 65534;
    const int kNone = -1;
    struct Case {
        const char* what;
        Hold how;
        int held;           // names 0..held-1 are held
        int listening;      // the name the first copy listens on
        bool letGo;         // the other user lets the names go before the second start
        Result second;
    } cases[] = {
        {"the first name, listening", Hold::kListen, 1, 1, false, Result::kHandedOver},
        {"the first name, bound", Hold::kBind, 1, 1, false, Result::kHandedOver},
        {"the first name, a full queue", Hold::kFullQueue, 1, 1, false, Result::kHandedOver},
        {"the first name, let go after the first copy started", Hold::kListen, 1, 1, true, Result::kHandedOver},
        {"every name, listening", Hold::kListen, shell::SingleInstanceGuard::kNames, kNone, false,
         Result::kAlreadyRunning},
        {"every name, a full queue", Hold::kFullQueue, shell::SingleInstanceGuard::kNames, kNone, false,
         Result::kAlreadyRunning},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = UniqueName("foreign") + QString::number(++round);
        auto first = Guard(name);
        QStringList held;
        for (int i = 0; i < c.held; ++i) held << first->SocketName(i);
        ForeignHolder holder;
        ASSERT_TRUE(HoldNamesAsUser(holder, kNobody, held, c.how));

        ASSERT_EQ(first->Acquire({}), Result::kFirst);
        EXPECT_EQ(first->ListeningName(), c.listening == kNone ? QString() : first->SocketName(c.listening));
        QSignalSpy spy(first.get(), &shell::SingleInstanceGuard::SecondInstanceStarted);
        if (c.letGo) holder.Stop();

        const QStringList args{"Quendrel", QString::fromUtf8("/home/user/顧客リスト.csv")};
        std::atomic<int> result{-1};
        QString secondListening = QStringLiteral("none");
        std::thread second([&] {
            auto guard = Guard(name);
            result = static_cast<int>(guard->Acquire(args));
            secondListening = guard->ListeningName();
        });
        const int handed = c.second == Result::kHandedOver ? 1 : 0;
        ASSERT_TRUE(ui::test::WaitUntil([&] { return result.load() >= 0 && spy.count() == handed; }, 5000));
        second.join();
        EXPECT_EQ(result.load(), static_cast<int>(c.second));
        EXPECT_TRUE(secondListening.isEmpty());
        if (handed) {
            EXPECT_EQ(spy.at(0).at(0).toStringList(), args);
        }
        if (holder.pid > 0) {
            ui::test::WaitUntil([] { return false; }, 100);
            for (int bytes : holder.Connections()) EXPECT_EQ(bytes, 0);
        }
    }
}

}  // namespace
